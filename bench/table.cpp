#include "table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace vidfolio::bench {
namespace {

std::string format(const char *pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string formatRatio(double ratio)
{
    return std::isnan(ratio) ? std::string("-") : format("%.2fx", ratio);
}

} // namespace

double median(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double jsonNumber(const std::string &line, const std::string &name)
{
    const std::string key = '"' + name + "\":";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return std::nan("");
    return std::strtod(line.c_str() + at + key.size(), nullptr);
}

std::string jsonString(const std::string &line, const std::string &name)
{
    const std::string key = '"' + name + "\":\"";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + key.size();
    return line.substr(start, line.find('"', start) - start);
}

std::vector<std::string> linesWith(const std::string &text, const std::string &part)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.find(part) != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

std::string formatMs(double ms)
{
    if (ms < 10)
        return format("%.2f ms", ms);
    if (ms < 1000)
        return format("%.1f ms", ms);
    return format("%.0f ms", ms);
}

std::string formatMicros(double micros)
{
    return micros < 1 ? format("%.0f ns", micros * 1000) : format("%.2f µs", micros);
}

std::string formatMiB(double kb)
{
    return format("%.1f MiB", kb / 1024);
}

void Table::addTarget(const std::string &name, const std::string &measured,
                      const std::string &reference, double ratio, double limit)
{
    const bool met = ratio <= limit;
    if (!met)
        ++m_missed;
    m_rows.push_back({name, measured, reference, formatRatio(ratio),
                      format("at most %.2fx: ", limit) + (met ? "met" : "MISSED")});
}

void Table::addReported(const std::string &name, const std::string &measured,
                        const std::string &reference, double ratio)
{
    m_rows.push_back(
        {name, measured, reference.empty() ? "-" : reference, formatRatio(ratio), "reported"});
}

std::string Table::markdown() const
{
    std::string out = "| Case | Measured | Reference | Ratio | Target |\n"
                      "|---|---:|---:|---:|---|\n";
    for (const Row &row : m_rows) {
        out += "| " + row.name + " | " + row.measured + " | " + row.reference + " | " + row.ratio +
               " | " + row.target + " |\n";
    }
    return out;
}

} // namespace vidfolio::bench
