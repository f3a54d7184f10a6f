// A factory hands a scene API backend to the object wrapper and owns whatever
// the backend needs around it (a file, or a live connection).
#pragma once

class orvScene_api;

namespace orv {

class orvSceneapi_oo;

class LightFactory {
 public:
  virtual ~LightFactory() = default;
  // The backend the wrapper writes into; the factory keeps ownership. May be null.
  virtual orvScene_api* getSceneApi() = 0;
  // Called once by the wrapper right after it attached the backend.
  virtual void start(orvSceneapi_oo& wrapper) = 0;
  // Destroys the backend and ends the output.
  virtual void close() = 0;
};

}  // namespace orv
