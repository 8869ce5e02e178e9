#pragma once

#include <string>
#include <vector>

namespace vidfolio::bench {

// The middle value of `values` (the mean of the middle two for an even count).
double median(std::vector<double> values);

// The number after "NAME": in a JSON line; NaN when it is missing.
double jsonNumber(const std::string &line, const std::string &name);
// The string after "NAME":" in a JSON line, up to the closing quote.
std::string jsonString(const std::string &line, const std::string &name);
// The lines of `text` that contain `part`.
std::vector<std::string> linesWith(const std::string &text, const std::string &part);

std::string formatMs(double ms);
// A time given in microseconds; shown in nanoseconds below one microsecond.
std::string formatMicros(double micros);
std::string formatMiB(double kb);

// The benchmark's table: one row a case, the figure measured against its
// reference in the same run, their ratio and the target for that ratio.
class Table
{
public:
    // A row whose ratio must not exceed `limit`.
    void addTarget(const std::string &name, const std::string &measured,
                   const std::string &reference, double ratio, double limit);
    // A row whose ratio is only reported; `reference` may be empty.
    void addReported(const std::string &name, const std::string &measured,
                     const std::string &reference, double ratio);

    std::string markdown() const;
    bool allTargetsMet() const { return m_missed == 0; }

private:
    struct Row
    {
        std::string name, measured, reference, ratio, target;
    };
    std::vector<Row> m_rows;
    int m_missed = 0;
};

} // namespace vidfolio::bench
