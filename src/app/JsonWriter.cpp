#include "app/JsonWriter.h"

#include <cstdio>

#include "platform/Text.h"

namespace hm::cli {

void JsonWriter::separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
}

JsonWriter& JsonWriter::open(char c) {
  separate();
  out_ += c;
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::close(char c) {
  out_ += c;
  first_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::key(std::string_view k) {
  separate();
  out_ += quote(k);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::string(std::string_view s) {
  separate();
  out_ += quote(s);
  return *this;
}

JsonWriter& JsonWriter::boolean(bool b) {
  separate();
  out_ += b ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::null() {
  separate();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::number(long long n) {
  separate();
  out_ += std::to_string(n);
  return *this;
}

std::string JsonWriter::quote(std::string_view s) {
  // Round-trip through UTF-16 so malformed bytes come out as U+FFFD.
  const std::string clean = text::toUtf8(text::toUtf16(s));
  std::string out = "\"";
  for (const char ch : clean) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace hm::cli
