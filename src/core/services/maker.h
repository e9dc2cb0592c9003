#pragma once

// The maker's addresses, as the windows show them and the shell opens them.
namespace services::maker {

inline constexpr char kWebPageLink[] = "https://www.larkspur.example/?app=pennant";
inline constexpr char kWebSiteShown[] = "www.larkspur.example";             // main window
inline constexpr char kWebSiteUrlShown[] = "https://www.larkspur.example/"; // About window
inline constexpr char kMailLink[] = "mailto:pennant@larkspur.example?subject=Pennant";
inline constexpr char kMailShown[] = "Pennant@Larkspur.example";

} // namespace services::maker
