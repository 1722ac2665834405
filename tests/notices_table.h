#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A row of tests/data/notices.tsv, the table every door is held to.
struct NoticeRow {
  std::string text;
  std::string size;
  bool exact = false;
  std::string used;      // "-" when refused
  std::string expected;  // the notices as name:figure=value,... ("-" for none), or the error's name
};

inline std::vector<NoticeRow> noticeRows() {
  std::ifstream in(std::string(DEXMORA_SOURCE_DIR) + "/tests/data/notices.tsv");
  std::vector<NoticeRow> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    NoticeRow row;
    std::string exact;
    for (std::string* field : {&row.text, &row.size, &exact, &row.used, &row.expected}) {
      std::getline(fields, *field, '\t');
    }
    row.exact = exact == "1";
    rows.push_back(row);
  }
  return rows;
}
