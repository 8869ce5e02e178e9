#pragma once

#include <string>

namespace vidfolio {

// What the downloader knows about a failed transfer besides libcurl's code.
struct TransferFacts
{
    // The body sink refused more than the size cap.
    bool tooLarge = false;
    // The body sink ran out of memory (downloads into memory only).
    bool outOfMemory = false;
    // The name of the file the body went into, for "cannot write NAME".
    std::string fileName;
    // The address libcurl was at when it failed was an http or https one;
    // false when a redirect led elsewhere (file://, ftp://, ...).
    bool httpAddress = true;
    // libcurl's CURLINFO_SSL_VERIFYRESULT: the certificate check's result.
    long certificateCheck = 0;
};

// The reason shown after "Download failed: " for a transfer that libcurl
// ended with `code` (a CURLcode, as RequestEnd keeps it): a few plain words for every code, never
// libcurl's own message, which is long and meant for developers. Answers that libcurl took in full
// but that were not 2xx are named "HTTP " and the status.
std::string failureReason(int code, const TransferFacts &facts);

} // namespace vidfolio
