// The text report of a plug-in scan, as `moravox-host info` prints it.
#pragma once

#include "host/core/plugin_info.h"
#include "plugin/protocol/vst_abi.h"

#include <string>

namespace moravox::host {

// "VstP" style: the four bytes from the most significant down, '?' for unprintable ones.
std::string FourCharCode(VstInt32 code);
// Space-separated names of the set flag bits; unknown bits as one hex number; "none" for 0.
std::string FlagNames(VstInt32 flags);
std::string CategoryName(VstIntPtr category);
// "yes", "no" or "don't know" for the answers 1, -1 and 0.
std::string CanDoName(VstIntPtr answer);

// The plug-in's version as people write it, "1.02" for 102: the vendor version in hundredths,
// or the record's version when the plug-in gives none. "" for a negative number.
std::string VersionText(const PluginInfo& info);

std::string FormatReport(const PluginInfo& info);

} // namespace moravox::host
