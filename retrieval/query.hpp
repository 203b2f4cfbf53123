#pragma once
// Query analysis: search terms, HTTP route, intent, and the role of a project path with
// its weight against an intent. Pure functions of their arguments over fixed tables.
// Each costs time linear in its text (plus the case mapping of the text).
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace retrieval {

// Distinct lower-case runs of [a-zA-Z0-9_] of two or more characters that are no stop
// words, in order of first occurrence, taken from the fully lower-cased text.
std::vector<std::string> tokenize_query(std::string_view text);

// An HTTP route named in a query: the upper-cased method and the lower-cased path
// segments ("api" and empty pieces dropped); both empty when the query names none.
struct Route {
    std::string method;
    std::vector<std::string> segments;
};
Route extract_route(std::string_view query);

// How many entries of `terms` occur in the lower-cased text (each entry at most once).
std::size_t score_text(std::string_view text, const std::vector<std::string>& terms);
// The same on a text that is lower-cased already.
std::size_t count_terms(std::string_view lowered, const std::vector<std::string>& terms);

// One of "debug", "explain", "test", "refactor", "feature", "edit", "general".
std::string_view classify_intent(std::string_view query);
// classify_intent given both the query and its lower-cased form.
std::string_view classify_intent_lowered(std::string_view query, std::string_view q);

// One of "docs", "test", "shared_ui", "ui_surface", "logic", "code".
std::string_view node_role(std::string_view path, std::string_view ext);
// node_role of a path that is lower-cased already.
std::string_view node_role_lowered(std::string_view p, std::string_view ext);

// The role weight table; the "general" row for an unknown intent, 0 for an unknown role.
int intent_role_weight(std::string_view intent, std::string_view role);
// The same by positions: intent_row of an intent, and a role's position in the table's
// columns "ui_surface", "logic", "shared_ui", "code", "docs", "test".
int intent_row(std::string_view intent);
int intent_role_weight_at(int row, int role_column);

// Whether `q` (not lower-cased here) holds a business-feature word.
bool query_scoped_to_feature(std::string_view q);

// Whether any of `words` occurs in `text` as a substring.
bool contains_any(std::string_view text, std::initializer_list<std::string_view> words);

}  // namespace retrieval
