#pragma once
// The price list that bench/make_pricelist.py writes with xlwt, built here without Python:
// the same records in the same order (merged title, bold yellow header, `goods` rows of code,
// name, unit in the shared string table, price, quantity and date as RK or NUMBER cells).

#include <string>

// The whole .xls file: a compound document around the workbook stream.
std::string PricelistWorkbook(int goods);
