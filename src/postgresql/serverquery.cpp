#include "serverquery.h"

#include <charconv>

#include "collationcore.h"
#include "utf8text.h"

namespace ServerQuery {
namespace {

enum class Kind { Word, Name, Text, Number, Symbol, End };

struct Token final {
    Kind kind = Kind::End;
    std::string text; // a word or name as written, a string's value, a symbol
};

bool isWordStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// A dot belongs to the name: "p1.txt" is a table name to the text store.
bool isWordPart(char c)
{
    return isWordStart(c) || (c >= '0' && c <= '9') || c == '.';
}

// Splits a query text into words, bracketed names, quoted strings ('' stands for one quote),
// numbers and symbols; `problem` says what could not be read.
std::vector<Token> tokens(std::string_view text, std::string* problem)
{
    std::vector<Token> result;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (isWordStart(c)) {
            const std::size_t start = i;
            while (i < text.size() && isWordPart(text[i]))
                ++i;
            result.push_back({ Kind::Word, std::string(text.substr(start, i - start)) });
        } else if (c >= '0' && c <= '9') {
            const std::size_t start = i;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9')
                ++i;
            result.push_back({ Kind::Number, std::string(text.substr(start, i - start)) });
        } else if (c == '[') {
            const std::size_t end = text.find(']', i + 1);
            if (end == std::string_view::npos) {
                *problem = "a [ without its ]";
                return {};
            }
            result.push_back({ Kind::Name, std::string(text.substr(i + 1, end - i - 1)) });
            i = end + 1;
        } else if (c == '\'') {
            std::string value;
            for (++i;; ++i) {
                if (i >= text.size()) {
                    *problem = "a quoted text without its closing quote";
                    return {};
                }
                if (text[i] == '\'') {
                    if (i + 1 < text.size() && text[i + 1] == '\'') {
                        value += '\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i];
            }
            result.push_back({ Kind::Text, std::move(value) });
        } else if ((c == '<' || c == '>') && i + 1 < text.size() && text[i + 1] == '=') {
            result.push_back({ Kind::Symbol, std::string(text.substr(i, 2)) });
            i += 2;
        } else if (c == '*' || c == ',' || c == '(' || c == ')' || c == '=' || c == '<' || c == '>' || c == ';') {
            result.push_back({ Kind::Symbol, std::string(1, c) });
            ++i;
        } else {
            *problem = "the character '" + std::string(1, c) + "' at position " + std::to_string(i + 1) + " is not understood";
            return {};
        }
    }
    result.push_back({});
    return result;
}

std::string quotedName(std::string_view name)
{
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

class Parser final {
public:
    Parser(std::vector<Token> tokens, const Table& table) : m_tokens(std::move(tokens)), m_table(table) { }

    Translation run()
    {
        Plan plan;
        if (isName(peek()) && m_tokens.size() == 2) {
            // A table name alone: the whole table in stored order.
            if (!table(next()))
                return failed();
            plan.select = allColumns();
            return { plan, {} };
        }
        if (!keyword("select"))
            return failed("the text is neither a table name nor a select query");
        if (!selectList(&plan) || !keyword("from", "FROM") || !table(next()))
            return failed();
        bool compared = false;
        if (keyword("where") && !conditions(&plan, &compared))
            return failed();
        plan.order = compared ? Order::Place : Order::Stored;
        plan.keyed = compared;
        if (keyword("order")) {
            if (!keyword("by", "BY"))
                return failed();
            if (plan.aggregate)
                return failed("an aggregate is not ordered");
            const Token field = next();
            if (!isName(field) || !isKeyField(field.text))
                return failed("only " + m_table.keyField + " orders the rows on the server");
            plan.order = Order::Place;
            if (isWord(peek(), "desc"))
                return failed("descending order is not understood");
            keyword("asc");
        }
        if (keyword("limit")) {
            const Token count = next();
            long long value = 0;
            const auto [end, error] = std::from_chars(count.text.data(), count.text.data() + count.text.size(), value);
            if (count.kind != Kind::Number || error != std::errc() || end != count.text.data() + count.text.size())
                return failed("LIMIT needs a whole number");
            plan.limit = value;
        }
        while (isSymbol(peek(), ";"))
            next();
        if (peek().kind != Kind::End)
            return failed("\"" + peek().text + "\" is not understood here");
        if (plan.aggregate && plan.limit)
            return failed("an aggregate is not limited");
        return { plan, {} };
    }

private:
    static bool isName(const Token& token) { return token.kind == Kind::Word || token.kind == Kind::Name; }
    static bool isWord(const Token& token, std::string_view word)
    {
        return token.kind == Kind::Word && Utf8Text::equalsIgnoringCase(token.text, word);
    }
    static bool isSymbol(const Token& token, std::string_view symbol) { return token.kind == Kind::Symbol && token.text == symbol; }

    const Token& peek() const { return m_tokens[m_at]; }
    Token next()
    {
        Token token = m_tokens[m_at];
        if (m_at + 1 < m_tokens.size())
            ++m_at;
        return token;
    }

    // Takes the keyword when it comes next; `expected` names it in the problem when it must.
    bool keyword(std::string_view word, std::string_view expected = {})
    {
        if (isWord(peek(), word)) {
            next();
            return true;
        }
        if (!expected.empty())
            m_problem = std::string(expected) + " expected before \"" + peek().text + "\"";
        return false;
    }

    bool symbol(std::string_view wanted)
    {
        if (isSymbol(peek(), wanted)) {
            next();
            return true;
        }
        m_problem = "\"" + std::string(wanted) + "\" expected before \"" + peek().text + "\"";
        return false;
    }

    Translation failed(std::string problem = {})
    {
        return { std::nullopt, problem.empty() ? m_problem : problem };
    }

    bool table(const Token& token)
    {
        if (isName(token) && Utf8Text::equalsIgnoringCase(token.text, "ps"))
            return true;
        m_problem = "the table " + (token.text.empty() ? std::string("name") : token.text) + " is not published on the server: only PS is";
        return false;
    }

    bool isKeyField(std::string_view name) const { return Utf8Text::equalsIgnoringCase(name, m_table.keyField); }

    const std::string* column(std::string_view name)
    {
        for (const std::string& column : m_table.columns) {
            if (Utf8Text::equalsIgnoringCase(column, name))
                return &column;
        }
        m_problem = "no field named " + std::string(name) + " in the published table";
        return nullptr;
    }

    std::string allColumns() const
    {
        std::string list;
        for (const std::string& column : m_table.columns)
            list += (list.empty() ? "" : ", ") + quotedName(column);
        return list;
    }

    // "AS name", or the name the text store would give the column: the field as written.
    std::string alias(const std::string& written)
    {
        if (keyword("as")) {
            const Token name = next();
            if (!isName(name) || name.text.empty()) {
                m_problem = "a name expected after AS";
                return {};
            }
            return name.text;
        }
        return written;
    }

    bool selectList(Plan* plan)
    {
        if (isSymbol(peek(), "*")) {
            next();
            plan->select = allColumns();
            return true;
        }
        int items = 0;
        for (;;) {
            ++items;
            if (isWord(peek(), "max")) {
                // The folded length of the longest search-field text, read off the key.
                next();
                if (!symbol("(") || !isWord(peek(), "dictionary_length")) {
                    m_problem = "only max(dictionary_length(...)) is understood";
                    return false;
                }
                next();
                const Token field = (symbol("(") ? next() : Token {});
                if (!isName(field) || !isKeyField(field.text)) {
                    m_problem = "only the length of " + m_table.keyField + " is known on the server";
                    return false;
                }
                if (!symbol(")") || !symbol(")"))
                    return false;
                const std::string name = alias("max(dictionary_length(" + field.text + "))");
                if (name.empty())
                    return false;
                plan->select += (plan->select.empty() ? "" : ", ") + std::string("max(char_length(convert_from(key, 'UTF8'))) AS ") + quotedName(name);
                plan->aggregate = true;
            } else {
                const Token field = next();
                if (!isName(field)) {
                    m_problem = "a field expected in the select list before \"" + field.text + "\"";
                    return false;
                }
                const std::string* name = column(field.text);
                if (!name)
                    return false;
                const std::string as = alias(field.text);
                if (as.empty())
                    return false;
                plan->select += (plan->select.empty() ? "" : ", ") + quotedName(*name) + " AS " + quotedName(as);
            }
            if (!isSymbol(peek(), ","))
                break;
            next();
        }
        if (plan->aggregate && items > 1) {
            m_problem = "an aggregate cannot stand beside fields";
            return false;
        }
        return true;
    }

    // The value side of a comparison: a quoted text, folded as the ordering folds it, sent
    // beside the query as a parameter, so that no text of the user's is ever part of it.
    bool literal(Plan* plan, std::string* out)
    {
        const Token value = next();
        if (value.kind != Kind::Text) {
            m_problem = "a quoted text expected before \"" + value.text + "\"";
            return false;
        }
        if (!Utf8Text::valid(value.text)) {
            m_problem = "a quoted text is not valid UTF-8";
            return false;
        }
        plan->parameters.push_back(DictionaryCollation::foldedUtf8(value.text));
        *out = "$" + std::to_string(plan->parameters.size()) + "::bytea";
        return true;
    }

    bool conditions(Plan* plan, bool* compared)
    {
        std::string where;
        do {
            const Token field = next();
            if (!isName(field)) {
                m_problem = "a field expected after WHERE or AND before \"" + field.text + "\"";
                return false;
            }
            if (!isKeyField(field.text)) {
                m_problem = "only " + m_table.keyField + " can be compared on the server, not " + field.text;
                return false;
            }
            std::string condition;
            if (keyword("between")) {
                std::string low;
                std::string high;
                if (!literal(plan, &low) || !keyword("and", "AND") || !literal(plan, &high))
                    return false;
                condition = "key BETWEEN " + low + " AND " + high;
                *compared = true;
            } else if (keyword("is")) {
                const bool negated = keyword("not");
                if (!keyword("null", "NULL"))
                    return false;
                condition = negated ? "key IS NOT NULL" : "key IS NULL";
            } else {
                const Token op = next();
                if (!(isSymbol(op, "=") || isSymbol(op, "<") || isSymbol(op, "<=") || isSymbol(op, ">") || isSymbol(op, ">="))) {
                    m_problem = "a comparison expected after " + field.text;
                    return false;
                }
                std::string value;
                if (!literal(plan, &value))
                    return false;
                condition = "key " + op.text + ' ' + value;
                *compared = true;
            }
            where += (where.empty() ? "" : " AND ") + condition;
        } while (keyword("and"));
        plan->where = where;
        return true;
    }

    std::vector<Token> m_tokens;
    const Table& m_table;
    std::size_t m_at = 0;
    std::string m_problem;
};

} // namespace

Translation translate(std::string_view recordSource, const Table& table)
{
    std::string problem;
    std::vector<Token> list = tokens(recordSource, &problem);
    if (list.empty())
        return { std::nullopt, problem };
    if (list.size() == 1)
        return { std::nullopt, "the query is empty" };
    return Parser(std::move(list), table).run();
}

} // namespace ServerQuery
