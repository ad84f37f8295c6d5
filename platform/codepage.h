#pragma once
// 8-bit text in the Windows code pages the agent meets (1251 Cyrillic, 1252 Western), converted
// to and from UTF-16 by tables of our own. The process has one system code page, 1251 unless
// set otherwise; CP_ACP stands for it.

#include <string>
#include <string_view>

constexpr int CP_ACP = 0;

// The system code page: 1251 by default.
int GetACP();
// Sets the system code page; raises Exception for a code page without tables.
void SetACP(int code_page);
// True for the code pages that have tables here (1251, 1252).
bool IsCodePageSupported(int code_page);

// Every byte becomes one UTF-16 unit. A byte the code page leaves undefined becomes the C1
// control of the same value, so that the conversion back restores it.
std::u16string MultiByteToWide(std::string_view bytes, int code_page = CP_ACP);
// Every UTF-16 unit becomes one byte; a character the code page lacks becomes '?'.
std::string WideToMultiByte(std::u16string_view text, int code_page = CP_ACP);

// Upper-cases 8-bit text of the system code page byte by byte: each letter whose capital the
// code page holds becomes that capital; every other byte stays.
std::string CharUpperA(std::string_view text);
