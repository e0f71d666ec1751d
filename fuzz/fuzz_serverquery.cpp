// The translation of query texts for a server on arbitrary text. Whatever the text, a plan
// holds no text of the user's: values go as parameters, one for each $n of its conditions,
// and names only as the published columns, quoted.
#include <cstdint>
#include <string>

#include "serverquery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ServerQuery::Table table { .columns = { "english", "frensh", "num", "subfield", "label" }, .keyField = "frensh" };
    const ServerQuery::Translation translation = ServerQuery::translate(text, table);
    if (!translation.plan) {
        if (translation.problem.empty())
            __builtin_trap(); // every refusal says why
        return 0;
    }
    const ServerQuery::Plan& plan = *translation.plan;
    for (const char c : plan.where) {
        if (c == '\'' || c == ';' || c == '"' || c == '-' || c == '/')
            __builtin_trap();
    }
    std::size_t placeholders = 0;
    for (std::size_t at = plan.where.find('$'); at != std::string::npos; at = plan.where.find('$', at + 1))
        ++placeholders;
    if (placeholders != plan.parameters.size() || plan.select.empty())
        __builtin_trap();
    // Outside the quoted names, the select list is the fixed text of the aggregate or commas.
    std::string rest;
    bool quoted = false;
    for (std::size_t i = 0; i < plan.select.size(); ++i) {
        const char c = plan.select[i];
        if (c == '"') {
            if (quoted && i + 1 < plan.select.size() && plan.select[i + 1] == '"') {
                ++i;
                continue;
            }
            quoted = !quoted;
        } else if (!quoted) {
            rest += c;
        }
    }
    if (quoted || rest.find(';') != std::string::npos || (rest.find('\'') != std::string::npos && rest.find("convert_from(key, 'UTF8')") == std::string::npos))
        __builtin_trap();
    return 0;
}
