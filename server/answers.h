// The service's answers as plain data: JSON entries and errors, pages, and the headers
// every answer carries.
#pragma once

#include "server/pages.h"
#include "server/service.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrell::highscores {

inline constexpr std::string_view kHtml = "text/html; charset=utf-8";
inline constexpr std::string_view kJson = "application/json";

// An entry as the API shows it; withType for an answer that is not a table of one type.
void appendEntry(std::string &out, const Entry &e, std::int64_t rank, bool withType);

// An answer that no cache keeps.
Response make(int status, std::string_view type, std::string body);
Response jsonError(int status, std::string_view reason);
Response page(int status, const PageView &view);
// 405 with the methods the address takes.
Response notAllowed(bool json, std::string_view allow, Language language);

// Every answer, pages and JSON alike: no scripts, no foreign sources, no framing.
void addCommonHeaders(Response &r, Language language);

} // namespace vantrell::highscores
