// The device-file reader: strict JSON to SimDevice, refusing unknown keys and values out of range.
#include "platform/sim/device_file.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

struct BadFile {
  std::string key;
  std::string reason;
};

void AllowOnly(const json& object, const std::string& where, const std::set<std::string>& keys) {
  if (!object.is_object()) throw BadFile{where, "must be an object"};
  for (const auto& [key, value] : object.items()) {
    if (!keys.count(key)) throw BadFile{where.empty() ? key : where + "." + key, "is not a known key"};
  }
}

std::uint64_t Number(const json& value, const std::string& key, std::uint64_t max) {
  // Whole numbers of zero and more parse as unsigned; anything else is refused.
  if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max)
    throw BadFile{key, "must be a whole number from 0 to " + std::to_string(max)};
  return value.get<std::uint64_t>();
}

std::string Text(const json& value, const std::string& key) {
  if (!value.is_string()) throw BadFile{key, "must be a text"};
  return value.get<std::string>();
}

bool Flag(const json& value, const std::string& key) {
  if (!value.is_boolean()) throw BadFile{key, "must be true or false"};
  return value.get<bool>();
}

std::string Resolve(const std::string& baseDir, const std::string& path) {
  if (path.empty()) return path;
  std::filesystem::path p(path);
  return p.is_absolute() ? path : (std::filesystem::path(baseDir) / p).lexically_normal().string();
}

constexpr std::uint64_t kU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kU64 = std::numeric_limits<std::uint64_t>::max();

SimStore ReadStore(const json& j, const std::string& at, const std::string& baseDir) {
  AllowOnly(j, at, {"device", "name", "profile", "bytesPerSector", "sectors", "partitionCount", "partitions",
                    "bootRecord", "image"});
  SimStore s;
  if (!j.contains("device")) throw BadFile{at + ".device", "is missing"};
  s.device = CString::FromUtf8(Text(j["device"], at + ".device"));
  if (j.contains("name")) s.name = CString::FromUtf8(Text(j["name"], at + ".name"));
  if (j.contains("profile")) s.profile = CString::FromUtf8(Text(j["profile"], at + ".profile"));
  if (j.contains("bytesPerSector")) s.bytesPerSector = static_cast<DWORD>(Number(j["bytesPerSector"], at + ".bytesPerSector", kU32));
  if (j.contains("image")) s.image = Resolve(baseDir, Text(j["image"], at + ".image"));
  if (j.contains("sectors")) {
    s.sectors = Number(j["sectors"], at + ".sectors", kU64);
  } else if (!s.image.empty() && s.bytesPerSector > 0) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(s.image, ec);
    if (ec) throw BadFile{at + ".image", "cannot be read: " + ec.message()};
    s.sectors = size / s.bytesPerSector;
  } else {
    throw BadFile{at + ".sectors", "is missing"};
  }
  if (j.contains("partitions")) {
    const json& parts = j["partitions"];
    if (!parts.is_array()) throw BadFile{at + ".partitions", "must be a list"};
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string pat = at + ".partitions[" + std::to_string(i) + "]";
      AllowOnly(parts[i], pat, {"name", "fileSystem", "type", "sectors"});
      SimPartition p;
      if (parts[i].contains("name")) p.name = CString::FromUtf8(Text(parts[i]["name"], pat + ".name"));
      if (parts[i].contains("fileSystem")) p.fileSystem = CString::FromUtf8(Text(parts[i]["fileSystem"], pat + ".fileSystem"));
      if (parts[i].contains("type")) p.type = static_cast<BYTE>(Number(parts[i]["type"], pat + ".type", 255));
      if (parts[i].contains("sectors")) p.sectors = Number(parts[i]["sectors"], pat + ".sectors", kU64);
      s.partitions.push_back(p);
    }
  }
  if (j.contains("partitionCount")) s.partitionCount = static_cast<DWORD>(Number(j["partitionCount"], at + ".partitionCount", kU32));
  if (j.contains("bootRecord")) {
    const json& entries = j["bootRecord"];
    if (!entries.is_array()) throw BadFile{at + ".bootRecord", "must be a list"};
    if (entries.size() > 4) throw BadFile{at + ".bootRecord", "holds at most four entries"};
    if (!s.image.empty()) throw BadFile{at + ".bootRecord", "is for generated contents only, not with an image"};
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string eat = at + ".bootRecord[" + std::to_string(i) + "]";
      AllowOnly(entries[i], eat, {"type", "start", "sectors"});
      BootEntry e{0, 0, 0};
      if (entries[i].contains("type")) e.type = static_cast<DWORD>(Number(entries[i]["type"], eat + ".type", 255));
      if (entries[i].contains("start")) e.start = static_cast<DWORD>(Number(entries[i]["start"], eat + ".start", kU32));
      if (entries[i].contains("sectors")) e.sectors = static_cast<DWORD>(Number(entries[i]["sectors"], eat + ".sectors", kU32));
      s.bootRecord.push_back(e);
    }
  }
  return s;
}

}  // namespace

bool ParseDeviceFile(const std::string& text, const std::string& baseDir, const std::string& name,
                     SimDevice& device, std::string& error, bool createFolders) {
  device = SimDevice{};
  try {
    const json root = json::parse(text);
    AllowOnly(root, "", {"stores", "registry", "folders", "availVirtual", "readDelayMs", "faults"});
    if (root.contains("stores")) {
      const json& stores = root["stores"];
      if (!stores.is_array()) throw BadFile{"stores", "must be a list"};
      for (size_t i = 0; i < stores.size(); ++i)
        device.stores.push_back(ReadStore(stores[i], "stores[" + std::to_string(i) + "]", baseDir));
    }
    if (root.contains("registry")) {
      const json& registry = root["registry"];
      if (!registry.is_object()) throw BadFile{"registry", "must be an object"};
      for (const auto& [profile, folder] : registry.items()) {
        const std::string at = "registry." + profile;
        if (folder.is_null()) {
          device.registry[CString::FromUtf8(profile).str()] = std::nullopt;
        } else {
          device.registry[CString::FromUtf8(profile).str()] = CString::FromUtf8(Text(folder, at));
        }
      }
    }
    if (root.contains("folders")) {
      const json& folders = root["folders"];
      if (!folders.is_object()) throw BadFile{"folders", "must be an object"};
      for (const auto& [folderName, entry] : folders.items()) {
        const std::string at = "folders." + folderName;
        AllowOnly(entry, at, {"path", "totalBytes", "freeBytes"});
        SimFolder f;
        if (!entry.contains("path")) throw BadFile{at + ".path", "is missing"};
        f.path = Resolve(baseDir, Text(entry["path"], at + ".path"));
        if (f.path.empty()) throw BadFile{at + ".path", "must not be empty"};
        if (entry.contains("totalBytes")) f.totalBytes = Number(entry["totalBytes"], at + ".totalBytes", kU64);
        if (entry.contains("freeBytes")) f.freeBytes = Number(entry["freeBytes"], at + ".freeBytes", kU64);
        if (createFolders) {
          std::error_code ec;
          std::filesystem::create_directories(f.path, ec);
          if (ec) throw BadFile{at + ".path", "cannot be created: " + ec.message()};
        }
        device.folders[CString::FromUtf8(folderName).str()] = f;
      }
    }
    if (root.contains("availVirtual")) device.availVirtual = static_cast<DWORD>(Number(root["availVirtual"], "availVirtual", kU32));
    if (root.contains("readDelayMs")) device.readDelayMs = static_cast<DWORD>(Number(root["readDelayMs"], "readDelayMs", 60000));
    if (root.contains("faults")) {
      const json& faults = root["faults"];
      if (!faults.is_array()) throw BadFile{"faults", "must be a list"};
      for (size_t i = 0; i < faults.size(); ++i) {
        const std::string at = "faults[" + std::to_string(i) + "]";
        AllowOnly(faults[i], at, {"op", "call", "error", "persistent", "short"});
        SimFault f;
        if (!faults[i].contains("op")) throw BadFile{at + ".op", "is missing"};
        f.op = Text(faults[i]["op"], at + ".op");
        bool known = false;
        for (const std::string& op : SimFaultOps()) known = known || op == f.op;
        if (!known) throw BadFile{at + ".op", "is not an operation that can fail: " + f.op};
        if (faults[i].contains("call")) f.call = Number(faults[i]["call"], at + ".call", kU64);
        if (f.call == 0) throw BadFile{at + ".call", "counts from 1"};
        if (faults[i].contains("error")) f.error = static_cast<DWORD>(Number(faults[i]["error"], at + ".error", kU32));
        if (faults[i].contains("persistent")) f.persistent = Flag(faults[i]["persistent"], at + ".persistent");
        if (faults[i].contains("short")) f.shortWrite = Flag(faults[i]["short"], at + ".short");
        if (f.shortWrite && f.op != "WriteFile") throw BadFile{at + ".short", "applies to WriteFile only"};
        device.faults.push_back(f);
      }
    }
  } catch (const BadFile& bad) {
    error = name + ": " + (bad.key.empty() ? "" : "'" + bad.key + "' ") + bad.reason;
    return false;
  } catch (const json::exception& e) {
    error = name + ": not valid JSON: " + e.what();
    return false;
  }
  return true;
}

bool LoadDeviceFile(const std::string& path, SimDevice& device, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const std::string baseDir = std::filesystem::path(path).parent_path().string();
  return ParseDeviceFile(text.str(), baseDir.empty() ? "." : baseDir, path, device, error);
}
