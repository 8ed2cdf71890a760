#include "host/cli/json_report.h"

#include "host/formats/json.h"
#include "host/cli/report.h"

#include <sstream>

namespace moravox::host {

std::string FormatJsonReport(const PluginInfo& info) {
    JsonWriter json;
    json.BeginObject();
    json.Key("path").String(info.path);
    json.Key("magic").String(FourCharCode(info.magic));
    json.Key("magicOk").Bool(info.magic == kEffectMagic);
    json.Key("uniqueId").String(FourCharCode(info.uniqueId));
    json.Key("uniqueIdNumber").Number(info.uniqueId);
    json.Key("version").Number(info.version);
    json.Key("vstVersion").Number(info.vstVersion);
    json.Key("effectName").String(info.effectName);
    json.Key("vendor").String(info.vendor);
    json.Key("product").String(info.product);
    json.Key("vendorVersion").Number(info.vendorVersion);
    json.Key("versionText");
    const std::string version = VersionText(info);
    if (version.empty()) {
        json.Null();
    } else {
        json.String(version);
    }
    json.Key("category").Number(info.category);
    json.Key("categoryName").String(CategoryName(info.category));
    json.Key("flags").Number(info.flags);
    json.Key("flagNames").BeginArray();
    if (info.flags != 0) {
        std::istringstream names(FlagNames(info.flags));
        for (std::string name; names >> name;) json.String(name);
    }
    json.EndArray();
    json.Key("inputs").Number(info.numInputs);
    json.Key("outputs").Number(info.numOutputs);
    json.Key("initialDelay").Number(info.initialDelay);
    json.Key("currentProgram").Number(info.currentProgram);
    json.Key("parameters").BeginArray();
    for (const ParameterInfo& p : info.parameters) {
        json.BeginObject();
        json.Key("index").Number(p.index);
        json.Key("name").String(p.name);
        json.Key("display").String(p.display);
        json.Key("label").String(p.label);
        json.EndObject();
    }
    json.EndArray();
    json.Key("programs").BeginArray();
    for (const std::string& name : info.programs) json.String(name);
    json.EndArray();
    json.Key("canDo").BeginObject();
    for (const CanDoAnswer& c : info.canDo) json.Key(c.text).Number(c.answer);
    json.EndObject();
    json.Key("editor");
    if (info.editorRect) {
        const ERect& r = *info.editorRect;
        json.BeginObject();
        json.Key("width").Number(r.right - r.left);
        json.Key("height").Number(r.bottom - r.top);
        json.Key("top").Number(r.top);
        json.Key("left").Number(r.left);
        json.Key("bottom").Number(r.bottom);
        json.Key("right").Number(r.right);
        json.EndObject();
    } else {
        json.Null();
    }
    json.EndObject();
    return json.Text();
}

} // namespace moravox::host
