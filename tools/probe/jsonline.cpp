#include "jsonline.h"

#include <cstdio>

namespace vidfolio {

std::string jsonString(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    std::string out;
    out.reserve(static_cast<std::size_t>(utf8.size()) + 2);
    out += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

JsonLine::JsonLine(const char *op) : m_text(std::string("{\"op\":\"") + op + '"') {}

JsonLine &JsonLine::addRaw(const char *name, const std::string &json)
{
    m_text += ",\"";
    m_text += name;
    m_text += "\":";
    m_text += json;
    return *this;
}

void JsonLine::print(std::chrono::steady_clock::time_point start)
{
    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, ",\"ms\":%.3f}\n", ms.count());
    m_text += stamp;
    std::fwrite(m_text.data(), 1, m_text.size(), stdout);
}

} // namespace vidfolio
