// Running renderer instances, recorded as small files in one folder so that
// the live-link library can list them.
//
// The folder is the "LiveInstanceFolder" value of "SOFTWARE\Orvane\" (the
// current user's first, then the local machine's); without it, the folder
// "lumivex-live-instances" in the temporary folder. Each instance writes
// "<process id>.instance" when it starts listening and removes it when it
// ends. A record whose process is gone is stale and never listed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace livelink {

inline constexpr const char* kInstanceFolderValue = "LiveInstanceFolder";

struct InstanceRecord {
  int version = 0;
  int64_t process_id = 0;
  int port = 0;
};

std::string instance_folder();

std::string record_text(const InstanceRecord& record);
// Empty for a text that is not a complete record.
std::optional<InstanceRecord> parse_record(const std::string& text);

bool publish_instance(const std::string& folder, const InstanceRecord& record);
void withdraw_instance(const std::string& folder, int64_t process_id);

// Records of live processes, in the order of their process ids.
std::vector<InstanceRecord> running_instances(const std::string& folder);
// Removes the records of processes that are gone.
void remove_stale_records(const std::string& folder);

// The instance list the connection code reads:
// <instances><instance><version_major>9</version_major><process_id>..</process_id>
// <livelink_port>..</livelink_port></instance>...</instances>
std::string instances_xml(const std::vector<InstanceRecord>& records);

// Text made safe for an XML attribute value.
std::string xml_escape(const std::string& text);

}  // namespace livelink
