#pragma once

#include <QString>

#include <chrono>
#include <string>

namespace vidfolio {

// `value` as a quoted JSON string.
std::string jsonString(const QString &value);

// Builds one JSON object and prints it as a line on stdout, stamped with the
// milliseconds since `start`.
class JsonLine
{
public:
    explicit JsonLine(const char *op);

    JsonLine &add(const char *name, const QString &value)
    {
        return addRaw(name, jsonString(value));
    }
    JsonLine &add(const char *name, int value) { return addRaw(name, std::to_string(value)); }
    JsonLine &add(const char *name, bool value) { return addRaw(name, value ? "true" : "false"); }
    JsonLine &addRaw(const char *name, const std::string &json);

    void print(std::chrono::steady_clock::time_point start);

private:
    std::string m_text;
};

} // namespace vidfolio
