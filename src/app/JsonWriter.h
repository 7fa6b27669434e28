// A small JSON writer for the command line's machine-readable output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hm::cli {

class JsonWriter {
 public:
  JsonWriter& beginObject() { return open('{'); }
  JsonWriter& endObject() { return close('}'); }
  JsonWriter& beginArray() { return open('['); }
  JsonWriter& endArray() { return close(']'); }
  JsonWriter& key(std::string_view k);
  JsonWriter& string(std::string_view s);
  JsonWriter& boolean(bool b);
  JsonWriter& number(long long n);
  JsonWriter& null();
  const std::string& text() const { return out_; }

  // The JSON string literal of a UTF-8 text (invalid bytes become U+FFFD).
  static std::string quote(std::string_view s);

 private:
  JsonWriter& open(char c);
  JsonWriter& close(char c);
  void separate();
  std::string out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

}  // namespace hm::cli
