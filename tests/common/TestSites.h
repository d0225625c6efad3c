#pragma once

namespace vo::test {

// An update site where nothing can listen (port 0 of the loopback): the start-up update check
// fails at once and quietly, and no test ever reaches for the publisher's real site.
inline constexpr char kNoUpdateSite[] = "http://127.0.0.1:0/";

} // namespace vo::test
