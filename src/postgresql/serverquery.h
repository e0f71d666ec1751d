#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The windows' query texts as a PostgreSQL server holding a published table answers them,
// without Qt. The text store compares and orders a search field by the program's ordering,
// ties in stored order; on the server the same comparisons go to the key column (the field
// folded, as bytes) and the order to `place` (the rank in that order) or `stored`, so every
// query gives the same rows in the same order on both. Only the shapes the program sends are
// understood; anything else is refused with the reason rather than guessed at.
namespace ServerQuery {

struct Table final {
    std::vector<std::string> columns; // the entry's columns on the server, in their order
    std::string keyField;             // the search field the key column folds, e.g. "frensh"
};

enum class Order { Stored, Place };

struct Plan final {
    std::string select;                 // the select list, for "SELECT <select> FROM table"
    std::string where;                  // conditions on key, or empty; $1… stand for
    std::vector<std::string> parameters; // the folded texts compared, as bytes
    Order order = Order::Stored;        // the unique column the rows come in
    bool keyed = false;                 // every row has a key: a comparison selected it
    std::optional<long long> limit;
    bool aggregate = false;             // one row of one value; no order, no paging
};

struct Translation final {
    std::optional<Plan> plan;
    std::string problem; // why the text cannot be run, when there is no plan
};

// `table` names the published columns; the text's table must be PS (in any case).
Translation translate(std::string_view recordSource, const Table& table);

} // namespace ServerQuery
