#include "sitepages.h"

#include <QBuffer>
#include <QImage>

#include <functional>

namespace vidfolio::site {

std::vector<Video> generatedVideos(const std::string &user, std::size_t count)
{
    std::vector<Video> videos;
    videos.reserve(count);
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        videos.push_back(
            {"v" + std::to_string(user.size()) + "x" + n, "Video " + n + " of " + user});
    }
    return videos;
}

static std::string pageHead(const std::string &user)
{
    return "<html><head><title>" + user +
           "'s Videos</title></head><body>\n"
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

std::string playerParameters(const Video &video)
{
    return video.id + "&l=" + std::to_string(60 + video.id.size()) + "&t=tok" + video.id;
}

std::string watchPage(const Video &video)
{
    return "<html><head><title>" + video.title + "</title></head><body>\n<div id=\"player\">" +
           "<embed src=\"/player2.swf?video_id=" + playerParameters(video) +
           "\" type=\"application/x-shockwave-flash\" width=\"425\" height=\"350\"></div>\n" +
           "<h1>" + video.title + "</h1>\n</body></html>\n";
}

std::string thumbnailJpeg(const std::string &videoId, int number)
{
    const auto hash = std::hash<std::string>{}(videoId);
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(static_cast<int>(hash % 360), 140, 220));
    const QRgb bar = QColor::fromHsv(static_cast<int>((hash / 360) % 360), 200, 90).rgb();
    for (int i = 0; i < number; ++i) {
        for (int y = 12 + i * 25; y < 22 + i * 25; ++y) {
            for (int x = 10; x < 110; ++x)
                image.setPixel(x, y, bar);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes.toStdString();
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
