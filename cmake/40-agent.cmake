# Agent integration: the launcher tarvelle.wendle_claude (command wendle-claude) and the
# pre-tool-use guard tarvelle.halberk (command halberk), over one library.
tarvelle_library(agent_lib agent)
tarvelle_module(NAME halberk DEST src/tarvelle PACKAGE tarvelle LIBS agent_lib)
tarvelle_module(NAME wendle_claude DEST src/tarvelle PACKAGE tarvelle COMMAND wendle-claude LIBS agent_lib)
tarvelle_test_suite(agent tests/agent agent_lib)
