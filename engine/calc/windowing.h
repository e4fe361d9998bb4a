#pragma once
// Windowing functions that damp Q (S(Q) - 1) towards Qmax before the sine
// transform of G(r), against termination ripples.
#include <memory>
#include <string>

namespace grainix {

class WindowingFunction {
 public:
  explicit WindowingFunction(std::string n) : name(std::move(n)) {}
  virtual ~WindowingFunction() = default;
  // The window value at q.
  virtual double weight(double q) const = 0;
  // Prepares `scale` from the largest Q of the pattern.
  virtual void setQmax(double qmax) { scale = qmax; }

  std::string name;  // shown in reports
  double scale = 0;
};

// Box car: 1 everywhere.
class NoneWindow : public WindowingFunction {
 public:
  NoneWindow() : WindowingFunction("none") {}
  double weight(double) const override { return 1; }
};

// 0.54 + 0.46 cos(pi q / (2 qmax)): 1 at q = 0, 0.54 at qmax.
class HammingWindow : public WindowingFunction {
 public:
  HammingWindow() : WindowingFunction("Hamming") {}
  double weight(double q) const override;
  void setQmax(double qmax) override;
};

// sin(pi q / qmax) / (pi q / qmax): 1 at q = 0, 0 at qmax.
class LorchWindow : public WindowingFunction {
 public:
  LorchWindow() : WindowingFunction("Lorch") {}
  double weight(double q) const override;
  void setQmax(double qmax) override;
};

// The radio-button choice: 0 "None (BoxCar)", 1 "Hamming", anything else Lorch.
enum WindowChoice : int { windowNone = 0, windowHamming = 1, windowLorch = 2 };
std::unique_ptr<WindowingFunction> makeWindow(int choice);

}  // namespace grainix
