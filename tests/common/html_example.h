#pragma once
// The HTML of the small example sheet: A1 holds the text Price in bold Arial 10, B1 the number
// 5 in the default format, on default rows and columns at 96 pixels per inch.

#include <string_view>

inline constexpr std::string_view kExampleHtml =
    "<html>\r\n"
    "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" /></head>"
    "<style>\r\n"
    ".xl0\r\n"
    " {font-family: Arial;\r\n"
    "font-size: 10pt;\r\n"
    "color: #000000;\r\n"
    "font-weight: bold;\r\n"
    "\r\n"
    "vertical-align:bottom;\r\n"
    "}\r\n"
    ".xl1\r\n"
    " {font-family: Arial;\r\n"
    "font-size: 10pt;\r\n"
    "color: #000000;\r\n"
    "\r\n"
    "vertical-align:bottom;\r\n"
    "}\r\n"
    "</style>\r\n"
    "<table cellpadding=0 cellspacing=0 border=0 width=130 style=\"border-collapse:collapse;\">\r\n"
    "<tr>\r\n"
    "<td class=\"xl0\" width=65 height=18>Price</td>\r\n"
    "<td class=\"xl1\" width=65 height=18>5</td>\r\n"
    "</tr>\r\n"
    "</table>\r\n"
    "</html>";
