#pragma once

// The maker's web site: one base URL (scheme and host, HTTPS) from which the
// Help links, the About box and the version check build their addresses.
// Tests pass a local server's URL through the code instead of this constant.

namespace vk {

inline constexpr const char* SiteBaseUrl = "https://www.veilkeep.example";

// Pages opened in the browser from the Help menu (paths below the base URL).
inline constexpr const char* TutorialPagePath = "/redirect/tutorial-orvan-veilkeep.html";
inline constexpr const char* SupportPagePath = "/support.html";

// Files the update check reads and downloads (paths below the base URL).
inline constexpr const char* VersionDocumentPath = "/download/version/orvanveilkeep-version.html";
inline constexpr const char* ChangesDocumentPath = "/download/version/orvanveilkeep-changes.html";
// The installer is what this system can install: a setup program on Windows,
// a package elsewhere, which the desktop's software installer opens.
#ifdef _WIN32
inline constexpr const char* InstallerPath = "/download/orvanveilkeep.exe";
#else
inline constexpr const char* InstallerPath = "/download/orvanveilkeep.deb";
#endif

} // namespace vk
