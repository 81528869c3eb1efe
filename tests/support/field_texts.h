// The fields of a dta line as texts, through the reader's splitter: for tests
// and fuzz targets that compare whole lines' fields. Header-only; the user
// links the readers.
#ifndef HV_TESTS_SUPPORT_FIELD_TEXTS_H
#define HV_TESTS_SUPPORT_FIELD_TEXTS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/field_list.h"

// The fields of `line` in order; none when the line holds no field.
inline std::vector<std::string> fieldTextsOf(std::string_view line) {
  FieldList list;
  std::vector<std::string> texts;
  if (!splitFieldsInto(line, list)) return texts;
  for (int32_t i = 0; i < list.count(); ++i) texts.emplace_back(list.field(i));
  return texts;
}

#endif  // HV_TESTS_SUPPORT_FIELD_TEXTS_H
