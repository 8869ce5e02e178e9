#include "sitepages.h"

namespace vidfolio::site {

std::vector<Video> generatedVideos(const std::string &user, std::size_t count)
{
    std::vector<Video> videos;
    videos.reserve(count);
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        videos.push_back({"v" + std::to_string(user.size()) + "x" + n, "Video " + n + " of " + user});
    }
    return videos;
}

static std::string pageHead(const std::string &user)
{
    return "<html><head><title>" + user + "'s Videos</title></head><body>\n"
           "<div id=\"hdr\"><a href=\"/\">Home</a> | <a href=\"/profile?user=" +
           user + "\">Profile</a></div>\n";
}

std::string firstProfilePage(const std::string &user, const std::string &countText)
{
    return pageHead(user) + "<div class=\"profileTitles\"><strong>Public Videos</strong>  (" +
           countText + ")</div>\n</body></html>\n";
}

std::string videoPiece(const Video &video, const std::string &thumbnailRoot)
{
    const std::string watch = "/watch?v=" + video.id;
    return "\">\n<div class=\"vimg\"><a href=\"" + watch + "\"><img src=\"" + thumbnailRoot +
           "/vi/" + video.id + "/2.jpg\" class=\"vimg\" alt=\"video\"></a></div>\n" +
           "<div class=\"vtitle\"><a href=\"" + watch + "\">" + video.title +
           "</a></div>\n<div class=\"vfacets\">Added: 1 day ago</div>\n</div>\n<div class=\"";
}

std::string numberedProfilePage(const std::string &user, const std::vector<Video> &videos,
                                const std::string &thumbnailRoot)
{
    std::string page = pageHead(user) + "<div class=\"profileTitles\"><strong>Public Videos" +
                       "</strong></div>\n<div class=\"";
    for (const Video &video : videos)
        page += "vTable" + videoPiece(video, thumbnailRoot);
    page += "pager\">Pages</div>\n</body></html>\n";
    return page;
}

std::string unknownUserPage(const std::string &user)
{
    return pageHead(user) + "<script>var machid: 'unknown user';</script>\n"
                            "<div class=\"errorBox\">User not found.</div>\n</body></html>\n";
}

std::string noVideosPage(const std::string &user)
{
    return pageHead(user) + "<div class=\"profileTitles\"><strong>Public Videos</strong>  (0)"
                            "</div>\n<p>This user doesn't have any videos at this time!</p>\n"
                            "</body></html>\n";
}

} // namespace vidfolio::site
