// Stand-ins for the renderer's live-link library, one source for four
// builds: LVTEST_LIVE_KIND picks what lumivex_live_initialize does.
//   good    - a live object with a scene API and a query interface
//   hollow  - a live object whose interfaces are null
//   null    - returns null
//   noinit  - does not export lumivex_live_initialize at all
// Every created and destroyed live object is counted in the environment
// (LVTEST_LIVE_CREATED, LVTEST_LIVE_DESTROYED), which outlives the library.
#include <string>

#include "platform/env.h"
#include "sceneapi/dev/lumivexlive.h"

#define LVTEST_GOOD 1
#define LVTEST_HOLLOW 2
#define LVTEST_NULL 3
#define LVTEST_NOINIT 4

namespace {

void count(const char* variable) {
  const auto now = platform::get_environment(variable);
  const int value = now && !now->empty() ? std::stoi(*now) : 0;
  platform::set_environment(variable, std::to_string(value + 1));
}

class StubSceneApi : public orvScene_api {
 public:
  void reserved_1() override {}
  bool begin_group(const char*, bool) override { return true; }
  void end_group() override {}
  bool begin_object(const char*, bool) override { return true; }
  void end_object() override {}
  bool begin_geometry(const char*) override { return true; }
  void end_geometry() override {}
  bool begin_animation(const char*, const char*) override { return true; }
  void end_animation() override {}
  bool begin_load(const char*) override { return true; }
  void end_load() override {}
  bool begin_options() override { return true; }
  void end_options() override {}
  bool begin_camera(const char*) override { return true; }
  void end_camera() override {}
  bool begin_image() override { return true; }
  void end_image() override {}
  bool begin_output(const char*, const char*, const char*) override { return true; }
  void end_output() override {}
  bool begin_light(const char*) override { return true; }
  void end_light() override {}
  bool begin_accel(const char*) override { return true; }
  void end_accel() override {}
  void transform(const double*) override {}
  void set_transform(const double*) override {}
  void scale(const double&, const double&, const double&) override {}
  void rotate(const double&, const double&, const double&) override {}
  void translate(const double&, const double&, const double&) override {}
  bool begin_matrix(const char*) override { return true; }
  void end_matrix() override {}
  bool begin_material(const char*, bool) override { return true; }
  bool use_material(const char*) override { return true; }
  void end_material() override {}
  void assign_shader(int, ShaderBuffer*) override {}
  void assign_shader_id(int, int) override {}
  bool begin_shader(const char*, const char*) override { return true; }
  bool begin_shader_id(const char*, int) override { return true; }
  void end_shader() override {}
  ShaderBuffer* current_shader() override { return nullptr; }
  int push_shader() override { return 0; }
  void pop_shader() override {}
  bool parameter(const char*, int, const void*) override { return true; }
  bool link_shader_id(const char*, int) override { return true; }
  bool link_shader(const char*, ShaderBuffer*) override { return true; }
  bool begin_array(const char*) override { return true; }
  void end_array() override {}
  void array_element(int, const void*) override {}
  int reserved_51() override { return 0; }
  int reserved_52() override { return 0; }
  int reserved_53() override { return 0; }
  void attribute(const char*, const char*) override {}
  void write_text(const char*) override {}
  bool set_flags(int) override { return true; }
  void version(int) override {}
  void reserved_58() override {}
  void progress(const char*, float) override {}
  void icon(const unsigned char*, int) override {}
  void data_parameter(const char*, const unsigned char*, int) override {}
  void id(unsigned) override {}
  void flags(unsigned) override {}
  bool reserved_64() override { return true; }
  bool render() override { return true; }
  void print(const char*) override {}
  void error(const char*) override {}
};

class StubQuery : public LiveQuery {
 public:
  const char* listInstances() override { return "<instances/>"; }
  bool openInstance(int64_t processId) override {
    opened_ = processId;
    return processId > 0;
  }
  void closeInstance() override { opened_ = 0; }
  const char* instanceScene() override {
    scene_ = "<scene pid=\"" + std::to_string(opened_) + "\"/>";
    return scene_.c_str();
  }

 private:
  int64_t opened_ = 0;
  std::string scene_;
};

class StubLive : public LiveLink {
 public:
  explicit StubLive(bool hollow) : hollow_(hollow) { count("LVTEST_LIVE_CREATED"); }
  ~StubLive() override { count("LVTEST_LIVE_DESTROYED"); }
  orvScene_api* sceneApi() override { return hollow_ ? nullptr : &scene_; }
  LiveQuery* queryApi() override { return hollow_ ? nullptr : &query_; }

 private:
  bool hollow_;
  StubSceneApi scene_;
  StubQuery query_;
};

}  // namespace

#if LVTEST_LIVE_KIND != LVTEST_NOINIT
extern "C" LiveLink* lumivex_live_initialize() {
  if (LVTEST_LIVE_KIND == LVTEST_NULL) return nullptr;
  return new StubLive(LVTEST_LIVE_KIND == LVTEST_HOLLOW);
}
#endif

// Present in every build, so the noinit library is a loadable library.
extern "C" int lvtest_live_kind() { return LVTEST_LIVE_KIND; }
