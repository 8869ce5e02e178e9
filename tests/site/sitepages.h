#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vidfolio::site {

struct Video
{
    std::string id;
    std::string title; // as it stands in the page's HTML
};

// The videos a user of `count` videos has on the test sites: identifiers
// derived from the user name and the position, titles "Video N of USER".
std::vector<Video> generatedVideos(const std::string &user, std::size_t count);

// The first profile page, stating the user's total number of videos.
std::string firstProfilePage(const std::string &user, const std::string &countText);

// A numbered profile page listing `videos`, each with a thumbnail address
// `thumbnailRoot` + "/vi/" + id + "/2.jpg".
std::string numberedProfilePage(const std::string &user, const std::vector<Video> &videos,
                                const std::string &thumbnailRoot);

// One listed video, as it stands in a numbered page after its "vTable" mark.
std::string videoPiece(const Video &video, const std::string &thumbnailRoot);

// The watch page of a video, with the player's address and its parameters
// `playerParameters(video)`.
std::string watchPage(const Video &video);
std::string playerParameters(const Video &video);

// A small JPEG thumbnail, picture `number` (1 to 3) of the video: a colour
// taken from the identifier, with `number` bars across it.
std::string thumbnailJpeg(const std::string &videoId, int number);

// The answer for a user name the site does not know.
std::string unknownUserPage(const std::string &user);

// The first page of a user without videos.
std::string noVideosPage(const std::string &user);

} // namespace vidfolio::site
