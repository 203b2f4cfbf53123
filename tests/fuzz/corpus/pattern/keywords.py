keywords.py
import os
from .mod import thing

@app.get("/items")
async def handler(x):
    """Doc string."""
    return x

class Model(Base):
    def method(self):
        pass
