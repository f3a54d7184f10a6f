// The development live-link library: a replacement for the renderer's own,
// loaded by the add-in's loader as orvlumivexlive6_64.so. Its scene API
// writes the scene text (raw arrays on) over a TCP connection to a running
// stand-in renderer; its query interface lists the running instances from
// their records and asks one of them for the scenes it holds.
#include <memory>
#include <optional>
#include <string>

#include "livelink/Instances.h"
#include "livelink/Protocol.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "sceneapi/dev/lumivexlive.h"
#include "sceneapi/orvScene_api_file.h"

namespace {

// connect's budget counts attempts, a quarter of a second apart, each
// allowed one second to connect; at most this many.
constexpr int kMaxConnectAttempts = 20;
constexpr unsigned kConnectTimeoutMs = 1000;
constexpr unsigned kAttemptPauseMs = 250;
// How long disconnect waits for the renderer to take the scene.
constexpr unsigned kReplyTimeoutMs = 60000;
constexpr unsigned kQueryTimeoutMs = 5000;
constexpr uint32_t kMaxSceneXml = 16u << 20;

class LiveSceneApi : public orvScene_api {
 public:
  ~LiveSceneApi() override { drop_connection(); }

  bool connect(const char* host, int port, int budget) override {
    if (writer_ || !host) return false;
    int attempts = budget < 1 ? 1 : budget > kMaxConnectAttempts ? kMaxConnectAttempts : budget;
    std::optional<platform::Socket> socket;
    for (int attempt = 0; attempt < attempts && !socket; ++attempt) {
      if (attempt > 0) platform::sleep_milliseconds(kAttemptPauseMs);
      socket = platform::Socket::connect_to(host, port, kConnectTimeoutMs);
    }
    if (!socket || !livelink::send_hello(*socket, livelink::Request::scene, link_number_)) {
      return false;
    }
    socket_ = std::move(*socket);
    sink_ = std::make_unique<livelink::FrameSink>(socket_);
    writer_ = std::make_unique<orvScene_api_file>(sink_.get(), true);
    return true;
  }

  // Ends the stream and waits for the renderer's answer: true only when the
  // whole scene arrived and was taken.
  bool disconnect() override {
    if (!writer_) return false;
    writer_.reset();
    bool sent = sink_->finish();
    socket_.shutdown_send();
    bool taken = false;
    if (sent) {
      livelink::Frame reply;
      taken =
          livelink::receive_frame(socket_, reply, kReplyTimeoutMs) == livelink::FrameStatus::ok &&
          reply.type == livelink::FrameType::accepted;
    }
    drop_connection();
    return taken;
  }

  bool reserved_4() override { return false; }
  void reserved_1() override {
    if (writer_) writer_->reserved_1();
  }
  bool begin_group(const char* name, bool in_place) override {
    return writer_ && writer_->begin_group(name, in_place);
  }
  void end_group() override {
    if (writer_) writer_->end_group();
  }
  bool begin_object(const char* name, bool in_place) override {
    return writer_ && writer_->begin_object(name, in_place);
  }
  void end_object() override {
    if (writer_) writer_->end_object();
  }
  bool begin_geometry(const char* type) override {
    return writer_ && writer_->begin_geometry(type);
  }
  void end_geometry() override {
    if (writer_) writer_->end_geometry();
  }
  bool begin_animation(const char* name, const char* type) override {
    return writer_ && writer_->begin_animation(name, type);
  }
  void end_animation() override {
    if (writer_) writer_->end_animation();
  }
  bool begin_load(const char* name) override { return writer_ && writer_->begin_load(name); }
  void end_load() override {
    if (writer_) writer_->end_load();
  }
  bool begin_options() override { return writer_ && writer_->begin_options(); }
  void end_options() override {
    if (writer_) writer_->end_options();
  }
  bool begin_camera(const char* name) override { return writer_ && writer_->begin_camera(name); }
  void end_camera() override {
    if (writer_) writer_->end_camera();
  }
  bool begin_image() override { return writer_ && writer_->begin_image(); }
  void end_image() override {
    if (writer_) writer_->end_image();
  }
  bool begin_output(const char* a, const char* b, const char* c) override {
    return writer_ && writer_->begin_output(a, b, c);
  }
  void end_output() override {
    if (writer_) writer_->end_output();
  }
  bool begin_light(const char* name) override { return writer_ && writer_->begin_light(name); }
  void end_light() override {
    if (writer_) writer_->end_light();
  }
  bool begin_accel(const char* name) override { return writer_ && writer_->begin_accel(name); }
  void end_accel() override {
    if (writer_) writer_->end_accel();
  }
  void transform(const double* matrix) override {
    if (writer_) writer_->transform(matrix);
  }
  void set_transform(const double* matrix) override {
    if (writer_) writer_->set_transform(matrix);
  }
  void scale(const double& x, const double& y, const double& z) override {
    if (writer_) writer_->scale(x, y, z);
  }
  void rotate(const double& x, const double& y, const double& z) override {
    if (writer_) writer_->rotate(x, y, z);
  }
  void translate(const double& x, const double& y, const double& z) override {
    if (writer_) writer_->translate(x, y, z);
  }
  bool begin_matrix(const char* name) override { return writer_ && writer_->begin_matrix(name); }
  void end_matrix() override {
    if (writer_) writer_->end_matrix();
  }
  bool begin_material(const char* name, bool in_place) override {
    return writer_ && writer_->begin_material(name, in_place);
  }
  bool use_material(const char* name) override { return writer_ && writer_->use_material(name); }
  void end_material() override {
    if (writer_) writer_->end_material();
  }
  void assign_shader(int kind, ShaderBuffer* shader) override {
    if (writer_) writer_->assign_shader(kind, shader);
  }
  void assign_shader_id(int kind, int id) override {
    if (writer_) writer_->assign_shader_id(kind, id);
  }
  bool begin_shader(const char* name, const char* type) override {
    return writer_ && writer_->begin_shader(name, type);
  }
  bool begin_shader_id(const char* type, int id) override {
    return writer_ && writer_->begin_shader_id(type, id);
  }
  void end_shader() override {
    if (writer_) writer_->end_shader();
  }
  ShaderBuffer* current_shader() override { return writer_ ? writer_->current_shader() : nullptr; }
  int push_shader() override { return writer_ ? writer_->push_shader() : 0; }
  void pop_shader() override {
    if (writer_) writer_->pop_shader();
  }
  bool parameter(const char* name, int type, const void* value) override {
    return writer_ && writer_->parameter(name, type, value);
  }
  bool link_shader_id(const char* name, int id) override {
    return writer_ && writer_->link_shader_id(name, id);
  }
  bool link_shader(const char* name, ShaderBuffer* shader) override {
    return writer_ && writer_->link_shader(name, shader);
  }
  bool begin_array(const char* name) override { return writer_ && writer_->begin_array(name); }
  void end_array() override {
    if (writer_) writer_->end_array();
  }
  void array_element(int type, const void* value) override {
    if (writer_) writer_->array_element(type, value);
  }
  int reserved_51() override { return 10; }
  int reserved_52() override { return 10; }
  int reserved_53() override { return 0; }
  void attribute(const char* name, const char* value) override {
    if (writer_) writer_->attribute(name, value);
  }
  void write_text(const char* text) override {
    if (writer_) writer_->write_text(text);
  }
  bool set_flags(int flags) override { return writer_ && writer_->set_flags(flags); }
  void version(int version) override {
    if (writer_) writer_->version(version);
  }
  void reserved_58() override {}
  void progress(const char* label, float fraction) override {
    if (writer_) writer_->progress(label, fraction);
  }
  void icon(const unsigned char* data, int length) override {
    if (writer_) writer_->icon(data, length);
  }
  void data_parameter(const char* name, const unsigned char* data, int length) override {
    if (writer_) writer_->data_parameter(name, data, length);
  }
  // Before a connection the id is the link number, sent in the stream's hello.
  void id(unsigned id) override {
    if (writer_) {
      writer_->id(id);
    } else {
      link_number_ = id;
    }
  }
  void flags(unsigned flags) override {
    if (writer_) writer_->flags(flags);
  }
  bool reserved_64() override { return false; }
  bool render() override { return writer_ && writer_->render(); }
  void print(const char* text) override {
    if (writer_) writer_->print(text);
  }
  void error(const char* text) override {
    if (writer_) writer_->error(text);
  }

 private:
  // Closing without the end frame: the renderer drops what it received.
  void drop_connection() {
    writer_.reset();
    socket_.close();
    sink_.reset();
  }

  unsigned link_number_ = 0;
  platform::Socket socket_;
  std::unique_ptr<livelink::FrameSink> sink_;
  std::unique_ptr<orvScene_api_file> writer_;
};

class InstanceQuery : public LiveQuery {
 public:
  const char* listInstances() override {
    list_ = livelink::instances_xml(livelink::running_instances(livelink::instance_folder()));
    return list_.c_str();
  }

  bool openInstance(int64_t processId) override {
    for (const auto& record : livelink::running_instances(livelink::instance_folder())) {
      if (record.process_id == processId) {
        attached_ = record;
        return true;
      }
    }
    return false;
  }

  void closeInstance() override { attached_.reset(); }

  const char* instanceScene() override {
    if (!attached_ || attached_->port <= 0) return nullptr;
    auto socket = platform::Socket::connect_to("127.0.0.1", attached_->port, kQueryTimeoutMs);
    if (!socket || !livelink::send_hello(*socket, livelink::Request::query, 0)) return nullptr;
    livelink::Frame reply;
    if (livelink::receive_frame(*socket, reply, kQueryTimeoutMs, kMaxSceneXml) !=
            livelink::FrameStatus::ok ||
        reply.type != livelink::FrameType::xml) {
      return nullptr;
    }
    scene_ = std::move(reply.payload);
    return scene_.c_str();
  }

 private:
  std::optional<livelink::InstanceRecord> attached_;
  std::string list_;
  std::string scene_;
};

class DevelopmentLiveLink : public LiveLink {
 public:
  orvScene_api* sceneApi() override { return &scene_; }
  LiveQuery* queryApi() override { return &query_; }

 private:
  LiveSceneApi scene_;
  InstanceQuery query_;
};

}  // namespace

extern "C" LiveLink* lumivex_live_initialize() {
  try {
    return new DevelopmentLiveLink;
  } catch (...) {
    return nullptr;
  }
}
