#include "server/answers.h"

#include "server/json_text.h"

namespace vantrell::highscores {

void appendEntry(std::string &out, const Entry &e, std::int64_t rank, bool withType)
{
    out += "{\"rank\":" + std::to_string(rank);
    if (withType)
        out += ",\"type\":" + std::to_string(e.type);
    out += ",\"name\":";
    appendJsonString(out, e.name);
    out += ",\"points\":" + std::to_string(e.points) + ",\"givens\":" + std::to_string(e.givens) + ",\"set\":\"";
    out += e.set;
    out += "\",\"entered\":\"" + isoTime(e.enteredMs) + "\"}";
}

Response make(int status, std::string_view type, std::string body)
{
    Response r;
    r.status = status;
    r.contentType = type;
    r.body = std::move(body);
    r.headers.emplace_back("Cache-Control", "no-store");
    return r;
}

Response jsonError(int status, std::string_view reason)
{
    std::string body = "{\"error\":";
    appendJsonString(body, reason);
    body += "}\n";
    return make(status, kJson, std::move(body));
}

Response page(int status, const PageView &view) { return make(status, kHtml, renderPage(view)); }

Response notAllowed(bool json, std::string_view allow, Language language)
{
    Response r = json ? jsonError(405, "method not allowed") : [&] {
        PageView view;
        view.language = language;
        view.notice = Notice::NotAllowed;
        view.linkToList = true;
        return page(405, view);
    }();
    r.headers.emplace_back("Allow", allow);
    return r;
}

// Every answer, pages and JSON alike: no scripts, no foreign sources, no framing.
void addCommonHeaders(Response &r, Language language)
{
    r.headers.emplace_back("Content-Security-Policy",
                           "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
                           "base-uri 'none'; frame-ancestors 'none'");
    r.headers.emplace_back("X-Content-Type-Options", "nosniff");
    r.headers.emplace_back("Referrer-Policy", "no-referrer");
    if (r.contentType.starts_with("text/html"))
        r.headers.emplace_back("Content-Language", language == Language::German ? "de" : "en");
    r.headers.emplace_back("Vary", "Accept-Language");
}

} // namespace vantrell::highscores
