// vidfolio-fuzz-seeds DIR: writes the seed inputs of the fuzz targets into
// DIR/listing, DIR/lookup and DIR/history, one file a case. The pages come
// from the test site, so the seeds follow its format when it changes.

#include "sitepages.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace site = vidfolio::site;

namespace {

void write(const fs::path &folder, const char *name, const std::string &bytes)
{
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: vidfolio-fuzz-seeds DIR\n", stderr);
        return 2;
    }
    const fs::path root = argv[1];
    const std::string thumbnails = "http://127.0.0.1:8080";

    // Titles as the site writes them: escaped quotes and ampersands, letters
    // beyond ASCII in UTF-8, and the same in Windows-1252 bytes.
    const std::vector<site::Video> escaped = {
        {"una100000", "How to fold a &quot;perfect&quot; paper crane #1"},
        {"una100001", "Cats &amp; dogs: the rematch 2"},
        {"una100002", "Z\xc3\xbcrich by tram \xe2\x80\x93 Folge 3"},
    };
    const std::vector<site::Video> windows1252 = {
        {"una100003", "Cr\xe8me br\xfbl\xe9"
                      "e in five minutes (4)"},
    };

    const fs::path listing = root / "listing";
    write(listing, "first_page_57_videos", site::firstProfilePage("demo57", "57"));
    write(listing, "first_page_count_not_a_number", site::firstProfilePage("demo57", "5x7"));
    write(listing, "user_not_found", site::unknownUserPage("nobody"));
    write(listing, "no_videos", site::noVideosPage("novideos"));
    write(listing, "numbered_page_ten_videos",
          site::numberedProfilePage("demo57", site::generatedVideos("demo57", 10), thumbnails));
    write(listing, "numbered_page_escaped_titles",
          site::numberedProfilePage("Una", escaped, thumbnails));
    write(listing, "numbered_page_windows1252",
          site::numberedProfilePage("Una", windows1252, thumbnails));

    const fs::path lookup = root / "lookup";
    write(lookup, "watch_page", site::watchPage(site::generatedVideos("demo57", 1).front()));
    write(lookup, "watch_page_escaped_title", site::watchPage(escaped.front()));
    write(lookup, "watch_page_windows1252", site::watchPage(windows1252.front()));
    write(lookup, "user_not_found", site::unknownUserPage("nobody"));

    const fs::path history = root / "history";
    write(history, "names_crlf", "demo57\r\nnovideos\r\n\xc3\x9cnal\r\n");
    write(history, "names_mixed_line_ends", "a\rb\nc\r\n\r\nd");
    write(history, "names_windows1252", "\xdcnal\r\nZ\xfcrich\n");
    return 0;
}
