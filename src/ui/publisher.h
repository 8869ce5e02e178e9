#pragma once

namespace vidfolio::ui {

// Who publishes the program, as shown in the title, the status line at
// start and the About box.
inline constexpr char kPublisherSiteName[] = "vidfolio.example.org";
inline constexpr char kPublisherSiteAddress[] = "http://vidfolio.example.org/";
inline constexpr char kAuthorEmail[] = "author@vidfolio.example.org";

} // namespace vidfolio::ui
