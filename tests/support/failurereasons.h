#pragma once

// Every reason a failed fetch can give, for the tests that check them all.

#include "platform/failurereason.h"

#include <curl/curl.h>

#include <set>
#include <string>

namespace vidfolio::test {

inline std::set<std::string> everyFailureReason()
{
    std::set<std::string> reasons{
        // The downloader's own, besides libcurl's codes; HTTP statuses have
        // three digits.
        "HTTP 999", "rate limited", "no HTTP client", "timed out", "cannot write temp.txt",
        // The page fetch's.
        "scratch file busy", "cannot read temp.txt"};
    for (int code = CURLE_OK + 1; code < CURL_LAST; ++code) {
        for (const long check : {0L, 1L, 10L, 18L, 62L}) {
            for (const bool httpAddress : {true, false}) {
                TransferFacts facts;
                facts.fileName = "temp.txt";
                facts.certificateCheck = check;
                facts.httpAddress = httpAddress;
                reasons.insert(failureReason(code, facts));
                facts.tooLarge = true;
                reasons.insert(failureReason(code, facts));
                facts.tooLarge = false;
                facts.outOfMemory = true;
                reasons.insert(failureReason(code, facts));
            }
        }
    }
    return reasons;
}

} // namespace vidfolio::test
