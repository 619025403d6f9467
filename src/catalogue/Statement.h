#pragma once

#include <string>
#include <vector>

namespace vorlane {

// One select over the catalogue. Values travel as bound text parameters ('?' in order),
// so nothing a user typed ever becomes part of the SQL text.
struct Statement {
    std::string sql;
    std::vector<std::string> params;
};

} // namespace vorlane
