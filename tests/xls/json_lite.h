#pragma once
// A small JSON reader for test data: objects keep their keys in order, numbers are doubles,
// strings are UTF-8. Malformed input fails the test that reads it (an exception).

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/utf.h"

struct JsonValue {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;                              // array elements
  std::vector<std::pair<std::string, JsonValue>> members;    // object members, in order

  const JsonValue& operator[](std::string_view key) const {
    for (const auto& [k, v] : members)
      if (k == key) return v;
    throw std::runtime_error("no member " + std::string(key));
  }
  bool Has(std::string_view key) const {
    for (const auto& m : members)
      if (m.first == key) return true;
    return false;
  }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}
  JsonValue Read() {
    JsonValue v = Value();
    Blank();
    if (i_ != s_.size()) Fail();
    return v;
  }

 private:
  [[noreturn]] void Fail() { throw std::runtime_error("bad JSON at " + std::to_string(i_)); }
  void Blank() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool Take(char c) {
    Blank();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Take(c)) Fail();
  }
  unsigned Hex4() {
    if (i_ + 4 > s_.size()) Fail();
    const unsigned v = static_cast<unsigned>(std::stoul(std::string(s_.substr(i_, 4)), nullptr, 16));
    i_ += 4;
    return v;
  }
  std::string Str() {
    Expect('"');
    std::string out;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) Fail();
      c = s_[i_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          std::u16string units(1, static_cast<char16_t>(Hex4()));
          if (units[0] >= 0xD800 && units[0] < 0xDC00 && s_.substr(i_, 2) == "\\u") {
            i_ += 2;
            units += static_cast<char16_t>(Hex4());
          }
          out += Utf16ToUtf8(units);
          break;
        }
        default: out += c; break;
      }
    }
    if (i_ >= s_.size()) Fail();
    ++i_;
    return out;
  }
  JsonValue Value() {
    Blank();
    if (i_ >= s_.size()) Fail();
    JsonValue v;
    const char c = s_[i_];
    if (c == '{') {
      ++i_;
      v.kind = JsonValue::Object;
      if (Take('}')) return v;
      do {
        Blank();
        std::string key = Str();
        Expect(':');
        v.members.emplace_back(std::move(key), Value());
      } while (Take(','));
      Expect('}');
    } else if (c == '[') {
      ++i_;
      v.kind = JsonValue::Array;
      if (Take(']')) return v;
      do v.items.push_back(Value());
      while (Take(','));
      Expect(']');
    } else if (c == '"') {
      v.kind = JsonValue::String;
      v.text = Str();
    } else if (s_.substr(i_, 4) == "true" || s_.substr(i_, 5) == "false") {
      v.kind = JsonValue::Bool;
      v.boolean = c == 't';
      i_ += v.boolean ? 4 : 5;
    } else if (s_.substr(i_, 4) == "null") {
      i_ += 4;
    } else {
      v.kind = JsonValue::Number;
      const std::string rest(s_.substr(i_, 64));
      char* end = nullptr;
      v.number = std::strtod(rest.c_str(), &end);
      if (end == rest.c_str()) Fail();
      i_ += static_cast<std::size_t>(end - rest.c_str());
    }
    return v;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};
