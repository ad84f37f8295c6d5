#pragma once
// Small .xlsx packages for tests: named parts zipped (deflated) in memory with libzip, and a
// minimal workbook of one sheet around a given sheet body.

#include <zip.h>

#include <map>
#include <stdexcept>
#include <string>

using XlsxParts = std::map<std::string, std::string>;

// The parts as a zip archive.
inline std::string BuildZip(const XlsxParts& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(buffer);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (!archive) throw std::runtime_error("zip_open_from_source");
  for (const auto& [name, data] : parts) {
    zip_source_t* part = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (zip_file_add(archive, name.c_str(), part, ZIP_FL_ENC_UTF_8) < 0) throw std::runtime_error("zip_file_add");
  }
  if (zip_close(archive) != 0) throw std::runtime_error("zip_close");
  zip_stat_t stat;
  zip_source_stat(buffer, &stat);
  std::string out(stat.size, '\0');
  zip_source_open(buffer);
  zip_source_read(buffer, out.data(), out.size());
  zip_source_close(buffer);
  zip_source_free(buffer);
  zip_error_fini(&error);
  return out;
}

inline const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

inline std::string Relationship(const std::string& id, const std::string& kind, const std::string& target,
                                bool external = false) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelNs + "/" + kind + "\" Target=\"" + target + "\"" +
         (external ? " TargetMode=\"External\"" : "") + "/>";
}

inline std::string Relationships(const std::string& body) {
  return "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + body + "</Relationships>";
}

// A workbook of one sheet "Лист1" whose worksheet element holds `sheet_body`, with the given
// styles and shared strings parts when not empty, and `workbook_pr` inside the workbook.
inline XlsxParts MinimalWorkbook(const std::string& sheet_body, const std::string& styles = "",
                                 const std::string& shared_strings = "", const std::string& workbook_pr = "") {
  XlsxParts parts;
  parts["_rels/.rels"] = Relationships(Relationship("rId1", "officeDocument", "xl/workbook.xml"));
  parts["xl/workbook.xml"] = std::string("<workbook xmlns=\"") + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">" +
                             workbook_pr + "<sheets><sheet name=\"Лист1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
  std::string rels = Relationship("rId1", "worksheet", "worksheets/sheet1.xml");
  if (!styles.empty()) {
    rels += Relationship("rId2", "styles", "styles.xml");
    parts["xl/styles.xml"] = std::string("<styleSheet xmlns=\"") + kMainNs + "\">" + styles + "</styleSheet>";
  }
  if (!shared_strings.empty()) {
    rels += Relationship("rId3", "sharedStrings", "sharedStrings.xml");
    parts["xl/sharedStrings.xml"] = std::string("<sst xmlns=\"") + kMainNs + "\">" + shared_strings + "</sst>";
  }
  parts["xl/_rels/workbook.xml.rels"] = Relationships(rels);
  parts["xl/worksheets/sheet1.xml"] = std::string("<worksheet xmlns=\"") + kMainNs + "\" xmlns:r=\"" + kRelNs +
                                      "\">" + sheet_body + "</worksheet>";
  return parts;
}
