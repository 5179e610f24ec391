// Reading of the catalogue files: each line is an SQL value list such as
//   12,'Loop','F3A P-25','ENG',1,2,10,999.99,999.99,4,3,2,'2017'
// parsed into values that are bound, never spliced into a statement.
#pragma once

#include <string>
#include <vector>

namespace kvdb {

struct SqlValue {
    enum Kind { Null, Integer, Real, Text } kind = Null;
    long long integer = 0;
    double real = 0.0;
    std::string text;
};

// Parses one line (its line end already removed). On failure returns false and
// says why in *error.
bool parseValueList(const std::string& line, std::vector<SqlValue>* values, std::string* error);

// Reads a whole file into rows of values, skipping blank lines; a line end may
// be LF or CR LF. False with *error (naming the line) when the file cannot be
// read or a line is malformed.
bool readValueFile(const std::string& path, std::vector<std::vector<SqlValue>>* rows,
                   std::string* error);

}  // namespace kvdb
