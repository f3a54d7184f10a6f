// The scene API: every piece of scene content leaves the system through these
// 68 operations. The order of the virtual operations is a calling contract with
// the renderer's live-link library, so it must never change.
#pragma once

#include <cstdint>

// Value type codes for parameter() and array_element().
enum orvValueType : int {
  ORV_FLOAT3 = 1,
  ORV_FLOAT4 = 2,
  ORV_FLOAT = 3,
  ORV_DOUBLE = 4,
  ORV_DOUBLE3 = 5,
  ORV_INT = 6,
  ORV_BOOL = 7,
  ORV_MATRIX = 9,
  ORV_STRING = 10,
  ORV_STRING_REF = 13,
  ORV_FLOAT2 = 14,
  ORV_FLOAT4B = 15,
  ORV_INT2 = 16,
  ORV_INT3 = 17,
  ORV_INT4 = 18,
  ORV_INT_B = 23,
  ORV_ARRAY = 32768,  // added to an element code
  ORV_SHADER = 65536,
};

// Shader kinds for assign_shader / assign_shader_id.
enum orvShaderKind : int {
  ORV_SURFACE = 0,
  ORV_SHADOW = 1,
  ORV_VOLUME = 2,
  ORV_REFLECTION_MAP = 3,
};

// The value of an array parameter: the first element and the count of
// elements (not of scalars).
struct orvArray {
  const void* data;
  int32_t count;
};

// An anonymous shader captured by a backend; opaque to callers, owned by the
// backend that created it.
struct ShaderBuffer;

class orvScene_api {
 public:
  virtual ~orvScene_api() = default;                                       // 1
  virtual void reserved_1() = 0;                                            // 2
  virtual bool connect(const char* host, int port, int budget);             // 3
  virtual bool disconnect();                                                // 4
  virtual bool reserved_4();                                                // 5
  virtual bool begin_group(const char* name, bool in_place) = 0;            // 6
  virtual void end_group() = 0;                                             // 7
  virtual bool begin_object(const char* name, bool in_place) = 0;           // 8
  virtual void end_object() = 0;                                            // 9
  virtual bool begin_geometry(const char* type) = 0;                        // 10
  virtual void end_geometry() = 0;                                          // 11
  virtual bool begin_animation(const char* name, const char* type) = 0;     // 12
  virtual void end_animation() = 0;                                         // 13
  virtual bool begin_load(const char* name) = 0;                            // 14
  virtual void end_load() = 0;                                              // 15
  virtual bool begin_options() = 0;                                         // 16
  virtual void end_options() = 0;                                           // 17
  virtual bool begin_camera(const char* name) = 0;                          // 18
  virtual void end_camera() = 0;                                            // 19
  virtual bool begin_image() = 0;                                           // 20
  virtual void end_image() = 0;                                             // 21
  virtual bool begin_output(const char* a, const char* b, const char* c) = 0;  // 22
  virtual void end_output() = 0;                                            // 23
  virtual bool begin_light(const char* name) = 0;                           // 24
  virtual void end_light() = 0;                                             // 25
  virtual bool begin_accel(const char* name) = 0;                           // 26
  virtual void end_accel() = 0;                                             // 27
  virtual void transform(const double* matrix) = 0;                         // 28
  virtual void set_transform(const double* matrix) = 0;                     // 29
  virtual void scale(const double& x, const double& y, const double& z) = 0;      // 30
  virtual void rotate(const double& x, const double& y, const double& z) = 0;     // 31
  virtual void translate(const double& x, const double& y, const double& z) = 0;  // 32
  virtual bool begin_matrix(const char* name) = 0;                          // 33
  virtual void end_matrix() = 0;                                            // 34
  virtual bool begin_material(const char* name, bool in_place) = 0;         // 35
  virtual bool use_material(const char* name) = 0;                          // 36
  virtual void end_material() = 0;                                          // 37
  virtual void assign_shader(int kind, ShaderBuffer* shader) = 0;           // 38
  virtual void assign_shader_id(int kind, int id) = 0;                      // 39
  virtual bool begin_shader(const char* name, const char* type) = 0;        // 40
  virtual bool begin_shader_id(const char* type, int id) = 0;               // 41
  virtual void end_shader() = 0;                                            // 42
  virtual ShaderBuffer* current_shader() = 0;                               // 43
  virtual int push_shader() = 0;                                            // 44
  virtual void pop_shader() = 0;                                            // 45
  virtual bool parameter(const char* name, int type, const void* value) = 0;  // 46
  virtual bool link_shader_id(const char* name, int id) = 0;                // 47
  virtual bool link_shader(const char* name, ShaderBuffer* shader) = 0;     // 48
  virtual bool begin_array(const char* name) = 0;                           // 49
  virtual void end_array() = 0;                                             // 50
  virtual void array_element(int type, const void* value) = 0;              // 51
  virtual int reserved_51() = 0;                                            // 52
  virtual int reserved_52() = 0;                                            // 53
  virtual int reserved_53() = 0;                                            // 54
  virtual void attribute(const char* name, const char* value) = 0;          // 55
  virtual void write_text(const char* text) = 0;                            // 56
  virtual bool set_flags(int flags) = 0;                                    // 57
  virtual void version(int version) = 0;                                    // 58
  virtual void reserved_58() = 0;                                           // 59
  virtual void progress(const char* label, float fraction) = 0;             // 60
  virtual void icon(const unsigned char* data, int length) = 0;             // 61
  virtual void data_parameter(const char* name, const unsigned char* data, int length) = 0;  // 62
  virtual void id(unsigned id) = 0;                                         // 63
  virtual void flags(unsigned flags) = 0;                                   // 64
  virtual bool reserved_64() = 0;                                           // 65
  virtual bool render() = 0;                                                // 66
  virtual void print(const char* text) = 0;                                 // 67
  virtual void error(const char* text) = 0;                                 // 68
};

inline bool orvScene_api::connect(const char*, int, int) { return false; }
inline bool orvScene_api::disconnect() { return false; }
inline bool orvScene_api::reserved_4() { return false; }
