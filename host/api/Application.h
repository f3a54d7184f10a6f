// The running host application: user interface, active document, active view
// and its camera, preferences.
//
// Application::get() is the static accessor add-in code uses. Each binary
// (host program, add-in module) has its own copy of it: the host installs its
// application with setApplication() in its own binary, and hands it to a
// loaded module through the module's attach entry point before calling run
// (see host/api/Module.h).
#pragma once

#include <vector>

#include "host/api/Core.h"
#include "host/api/Design.h"
#include "host/api/UserInterface.h"

namespace host {

class Vector3D {
 public:
  virtual ~Vector3D() = default;
  virtual double x() const = 0;
  virtual double y() const = 0;
  virtual double z() const = 0;
  // this = this - other. False (this unchanged) when other is null.
  virtual bool subtract(const Ptr<Vector3D>& other) = 0;
  // Scales to length 1. False (this unchanged) for a zero-length vector.
  virtual bool normalize() = 0;
  virtual std::vector<double> asArray() const = 0;  // x, y, z
};

class Point3D {
 public:
  virtual ~Point3D() = default;
  virtual double x() const = 0;
  virtual double y() const = 0;
  virtual double z() const = 0;
  // A new vector from the origin to this point.
  virtual Ptr<Vector3D> asVector() const = 0;
};

enum CameraType : int {
  OrthographicCameraType = 0,
  PerspectiveCameraType = 1,
  PerspectiveWithOrthoFacesCameraType = 2,
};

// A copy of a view's camera; eye and target in centimetres.
class Camera {
 public:
  virtual ~Camera() = default;
  virtual int cameraType() const = 0;
  virtual Ptr<Point3D> eye() const = 0;
  virtual Ptr<Point3D> target() const = 0;
  virtual Ptr<Vector3D> upVector() const = 0;
  virtual double perspectiveAngle() const = 0;  // radians
};

class Viewport {
 public:
  virtual ~Viewport() = default;
  virtual Ptr<Camera> camera() const = 0;
};

enum DefaultModelingOrientation : int {
  YUpModelingOrientation = 0,
  ZUpModelingOrientation = 1,
};

class GeneralPreferences {
 public:
  virtual ~GeneralPreferences() = default;
  virtual int defaultModelingOrientation() const = 0;
};

class Preferences {
 public:
  virtual ~Preferences() = default;
  virtual Ptr<GeneralPreferences> generalPreferences() const = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  // The application this binary was given, or nothing.
  static Ptr<Application> get();

  virtual Ptr<UserInterface> userInterface() const = 0;
  virtual Ptr<Document> activeDocument() const = 0;  // nothing when no document is open
  virtual Ptr<Viewport> activeViewport() const = 0;
  virtual Ptr<Preferences> preferences() const = 0;
};

// Installs (or, with nothing, removes) the application Application::get()
// returns in this binary.
void setApplication(Ptr<Application> application);

}  // namespace host
