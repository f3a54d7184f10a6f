#include "host/sim/SimHost.h"

#include <cmath>
#include <utility>

#include "host/sim/SimDesign.h"

namespace host::sim {
namespace {

using StatePtr = std::shared_ptr<const SimState>;

class SimVector : public Vector3D {
 public:
  SimVector(double x, double y, double z) : v_{x, y, z} {}
  double x() const override { return v_[0]; }
  double y() const override { return v_[1]; }
  double z() const override { return v_[2]; }
  bool subtract(const Ptr<Vector3D>& other) override {
    if (!other) return false;
    v_ = {v_[0] - other->x(), v_[1] - other->y(), v_[2] - other->z()};
    return true;
  }
  bool normalize() override {
    const double length = std::sqrt(v_[0] * v_[0] + v_[1] * v_[1] + v_[2] * v_[2]);
    if (!(length > 0) || !std::isfinite(length)) return false;
    v_ = {v_[0] / length, v_[1] / length, v_[2] / length};
    return true;
  }
  std::vector<double> asArray() const override { return {v_[0], v_[1], v_[2]}; }

 private:
  std::array<double, 3> v_;
};

class SimPoint : public Point3D {
 public:
  SimPoint(StatePtr state, const std::array<double, 3>& p) : state_(std::move(state)), p_(p) {}
  double x() const override { return p_[0]; }
  double y() const override { return p_[1]; }
  double z() const override { return p_[2]; }
  Ptr<Vector3D> asVector() const override {
    if (state_->withheld("asVector")) return nullptr;
    return std::make_shared<SimVector>(p_[0], p_[1], p_[2]);
  }

 private:
  StatePtr state_;
  std::array<double, 3> p_;
};

class SimCamera : public Camera {
 public:
  explicit SimCamera(StatePtr state) : state_(std::move(state)), data_(state_->data.camera) {}
  int cameraType() const override { return data_.type; }
  Ptr<Point3D> eye() const override {
    if (state_->withheld("eye")) return nullptr;
    return std::make_shared<SimPoint>(state_, data_.eye);
  }
  Ptr<Point3D> target() const override {
    if (state_->withheld("target")) return nullptr;
    return std::make_shared<SimPoint>(state_, data_.target);
  }
  Ptr<Vector3D> upVector() const override {
    if (state_->withheld("upVector")) return nullptr;
    return std::make_shared<SimVector>(data_.up[0], data_.up[1], data_.up[2]);
  }
  double perspectiveAngle() const override { return data_.viewAngle; }

 private:
  StatePtr state_;
  CameraData data_;  // a camera is a copy of the view's
};

class SimViewport : public Viewport {
 public:
  explicit SimViewport(StatePtr state) : state_(std::move(state)) {}
  Ptr<Camera> camera() const override {
    if (state_->withheld("camera")) return nullptr;
    return std::make_shared<SimCamera>(state_);
  }

 private:
  StatePtr state_;
};

class SimGeneralPreferences : public GeneralPreferences {
 public:
  explicit SimGeneralPreferences(int orientation) : orientation_(orientation) {}
  int defaultModelingOrientation() const override { return orientation_; }

 private:
  int orientation_;
};

class SimPreferences : public Preferences {
 public:
  explicit SimPreferences(StatePtr state) : state_(std::move(state)) {}
  Ptr<GeneralPreferences> generalPreferences() const override {
    if (state_->withheld("generalPreferences")) return nullptr;
    return std::make_shared<SimGeneralPreferences>(state_->data.defaultModelingOrientation);
  }

 private:
  StatePtr state_;
};

}  // namespace

class SimHost::SimApplication : public host::Application {
 public:
  SimApplication(std::shared_ptr<std::shared_ptr<const SimState>> state, Ptr<SimUserInterface> ui)
      : state_(state), ui_(std::move(ui)) {}
  Ptr<UserInterface> userInterface() const override {
    if (state()->withheld("userInterface")) return nullptr;
    return ui_;
  }
  Ptr<Document> activeDocument() const override {
    if (state()->withheld("activeDocument")) return nullptr;
    return makeDocument(state());
  }
  Ptr<Viewport> activeViewport() const override {
    if (state()->withheld("activeViewport")) return nullptr;
    return std::make_shared<SimViewport>(state());
  }
  Ptr<Preferences> preferences() const override {
    if (state()->withheld("preferences")) return nullptr;
    return std::make_shared<SimPreferences>(state());
  }

 private:
  // The host's current state: opening another document replaces it, while
  // objects handed out earlier keep the state they came from.
  const StatePtr& state() const { return *state_; }
  std::shared_ptr<std::shared_ptr<const SimState>> state_;
  Ptr<SimUserInterface> ui_;
};

SimHost::SimHost(HostData data) : withholding_(std::make_shared<Withholding>()) {
  for (const auto& entry : data.withhold) withholding_->add(entry);
  const UiLayout layout = data.layout;
  state_ = std::make_shared<std::shared_ptr<const SimState>>(
      std::make_shared<SimState>(std::move(data), withholding_));
  userInterface_ = std::make_shared<SimUserInterface>(layout, withholding_);
  simApplication_ = std::make_shared<SimApplication>(state_, userInterface_);
  application_ = simApplication_;
}

void SimHost::install() const { setApplication(application()); }

void SimHost::uninstall() const {
  if (host::Application::get() == application_) setApplication(nullptr);
}

void SimHost::openDocument(std::optional<DocumentData> document) {
  HostData data = (*state_)->data;
  data.document = std::move(document);
  *state_ = std::make_shared<SimState>(std::move(data), withholding_);
}

SimHost::~SimHost() {
  if (addinRunning_) stopAddin();
  unloadAddin();
}

bool SimHost::loadAddin(const std::string& utf8_path, std::string& error) {
  if (addin_) {
    error = "an add-in module is already loaded";
    return false;
  }
  addin_ = AddinModule::load(utf8_path, error);
  return addin_ != nullptr;
}

bool SimHost::runAddin() {
  if (!addin_) return false;
  addinRunning_ = true;  // stop is owed even when run reports failure
  return addin_->run(application(), "{\"IsApplicationStartup\": false}");
}

bool SimHost::stopAddin() {
  if (!addin_ || !addinRunning_) return false;
  addinRunning_ = false;
  return addin_->stop("{\"IsApplicationStartup\": false}");
}

void SimHost::unloadAddin() {
  if (!addin_) return;
  userInterface_->detachAllHandlers();
  addin_.reset();
  addinRunning_ = false;
}

}  // namespace host::sim
