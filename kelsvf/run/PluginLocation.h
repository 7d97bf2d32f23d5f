// Where kelsvf finds the plug-in when --plugin does not say.
#ifndef KELSVF_PLUGIN_LOCATION_H
#define KELSVF_PLUGIN_LOCATION_H

#include <string>
#include <vector>

namespace kelsvf {

// The places looked at, in order: the library beside the kelsvf executable (a build tree),
// then the library folder of the install prefix kelsvf runs from (bin/../lib).
std::vector<std::string> defaultPluginCandidates();

// The first candidate that exists, or the last one (so that the load error names it).
std::string defaultPluginPath();

}  // namespace kelsvf

#endif  // KELSVF_PLUGIN_LOCATION_H
