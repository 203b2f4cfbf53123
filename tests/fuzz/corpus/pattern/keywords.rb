keywords.rb
require "json"
class Widget < Base
  def render(x)
  end
  def self.build
  end
end
module Helpers
end
