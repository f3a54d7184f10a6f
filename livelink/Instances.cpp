#include "livelink/Instances.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "platform/folder.h"
#include "platform/fs.h"
#include "platform/process_control.h"
#include "platform/registry.h"

namespace livelink {
namespace {

constexpr const char* kRecordHeader = "lumivex-instance 1";
constexpr const char* kRecordSuffix = ".instance";
constexpr size_t kMaxRecordBytes = 4096;

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::optional<int64_t> decimal(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return std::strtoll(text.c_str(), nullptr, 10);
}

}  // namespace

std::string instance_folder() {
  for (auto root : {platform::RegistryRoot::current_user, platform::RegistryRoot::local_machine}) {
    auto key = platform::RegistryKey::open(root, "SOFTWARE\\Orvane\\");
    if (!key) continue;
    auto folder = key->read_string(kInstanceFolderValue, 2048);
    if (folder && !folder->empty()) return *folder;
  }
  return platform::join_path(platform::temp_folder(), "lumivex-live-instances");
}

std::string record_text(const InstanceRecord& record) {
  std::ostringstream out;
  out << kRecordHeader << "\nversion_major " << record.version << "\nprocess_id "
      << record.process_id << "\nlivelink_port " << record.port << "\n";
  return out.str();
}

std::optional<InstanceRecord> parse_record(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kRecordHeader) return std::nullopt;
  std::optional<int64_t> version, process_id, port;
  while (std::getline(in, line)) {
    size_t blank = line.find(' ');
    if (blank == std::string::npos) return std::nullopt;
    std::string key = line.substr(0, blank);
    auto value = decimal(line.substr(blank + 1));
    if (!value) return std::nullopt;
    if (key == "version_major")
      version = value;
    else if (key == "process_id")
      process_id = value;
    else if (key == "livelink_port")
      port = value;
  }
  if (!version || !process_id || !port || *version > 1000 || *port > 65535 || *process_id <= 0) {
    return std::nullopt;
  }
  return InstanceRecord{static_cast<int>(*version), *process_id, static_cast<int>(*port)};
}

bool publish_instance(const std::string& folder, const InstanceRecord& record) {
  if (!platform::make_folders(folder)) return false;
  return platform::write_file_atomically(
      platform::join_path(folder, std::to_string(record.process_id) + kRecordSuffix),
      record_text(record));
}

void withdraw_instance(const std::string& folder, int64_t process_id) {
  platform::remove_file(platform::join_path(folder, std::to_string(process_id) + kRecordSuffix));
}

std::vector<InstanceRecord> running_instances(const std::string& folder) {
  std::vector<InstanceRecord> records;
  for (const std::string& name : platform::files_in_folder(folder)) {
    if (!ends_with(name, kRecordSuffix)) continue;
    auto text = platform::read_small_file(platform::join_path(folder, name), kMaxRecordBytes);
    if (!text) continue;
    auto record = parse_record(*text);
    // The file name must agree with the record, so one record cannot speak
    // for another process.
    if (!record || name != std::to_string(record->process_id) + kRecordSuffix) continue;
    if (!platform::process_alive(record->process_id)) continue;
    records.push_back(*record);
  }
  std::sort(records.begin(), records.end(),
            [](const auto& a, const auto& b) { return a.process_id < b.process_id; });
  return records;
}

void remove_stale_records(const std::string& folder) {
  for (const std::string& name : platform::files_in_folder(folder)) {
    if (!ends_with(name, kRecordSuffix)) continue;
    auto process_id = decimal(name.substr(0, name.size() - std::string(kRecordSuffix).size()));
    if (process_id && !platform::process_alive(*process_id)) {
      platform::remove_file(platform::join_path(folder, name));
    }
  }
}

std::string instances_xml(const std::vector<InstanceRecord>& records) {
  std::ostringstream out;
  out << "<instances>\n";
  for (const auto& r : records) {
    out << " <instance><version_major>" << r.version << "</version_major><process_id>"
        << r.process_id << "</process_id><livelink_port>" << r.port
        << "</livelink_port></instance>\n";
  }
  out << "</instances>\n";
  return out.str();
}

std::string xml_escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
        out += "&#9;";
        break;
      default:
        // Other control characters cannot stand in XML 1.0 at all.
        if (static_cast<unsigned char>(c) < 0x20)
          out += "&#xFFFD;";
        else
          out += c;
    }
  }
  return out;
}

}  // namespace livelink
