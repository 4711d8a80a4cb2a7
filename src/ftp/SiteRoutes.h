#pragma once
// The pairs of sites whose servers were found to refuse each other during
// this run: under SiteToSiteRoute 0 their later copies go through Varnix
// at once rather than asking the servers again.

#include <string>

namespace varnix {

bool refusedEachOther(const std::string& source, const std::string& destination);
void rememberRefusal(const std::string& source, const std::string& destination);
// Forgets every pair (a new run, or a test).
void forgetRefusals();

} // namespace varnix
