#pragma once
// A cell's side data (formula, hyperlink, hyperlink type, rich format) kept in one byte string
// of tagged fields: MARK tag MARK value MARK, where MARK is the bytes FF 00 FF 63 and the tag is
// one ASCII letter.

#include <string>
#include <string_view>

// The value of field `ATag`: from its opening to the next MARK. Empty when the field is absent
// or has no closing MARK.
std::string GetStringDataField(std::string_view AData, char ATag);
// A non-empty value replaces the field in place (or is appended when the field is absent); an
// empty value removes the field.
void SetStringDataField(std::string& AData, char ATag, std::string_view AValue);
