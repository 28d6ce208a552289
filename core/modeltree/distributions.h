#pragma once
// The small numerical library behind the model-tree grower's F tests: the logarithm of the gamma
// function, the regularized incomplete beta function, its inverse, and the lower-tail quantile
// of the F distribution. Failures are reported through StatError and a diagnostic line on the
// report stream; the callers use the returned numbers as they are.

#include <cfloat>
#include <iosfwd>
#include <string>

namespace quarry::modeltree {

// StatError codes.
inline constexpr int kStatOk = 0;
inline constexpr int kStatGammaOverflow = 1;
inline constexpr int kStatInfinite = 35;
inline constexpr int kStatRange = 129;
inline constexpr int kStatParameters = 130;
inline constexpr int kStatNoConvergence = 131;

// What CalcFI returns after any failure. The grower's tests treat a failed quantile as a failed
// test: the regression test passes when F >= CalcFI and a split is rejected when CalcFI exceeds
// its statistic, so the largest float makes both fail.
inline constexpr double kFailedQuantile = FLT_MAX;

class Distributions {
 public:
  // `report` receives the diagnostic lines (standard output in the programs).
  explicit Distributions(std::ostream& report);

  // ln Gamma(x); 0 with a message for x <= 0.
  double LogGamma(double x);
  // LogGamma(x); a result above the largest double sets StatError = 1, writes its message and
  // marks the job as failed (Fatal()).
  double GuardedLogGamma(double x);

  // I_x(a, b), the regularized incomplete beta function.
  double CalcB(double x, double a, double b);
  // The x with I_x(a, b) = p; after 100 iterations without convergence, the last value.
  double CalcBI(double p, double a, double b);
  // The f with P(F <= f) = p for F(df1, df2); kFailedQuantile after any failure.
  double CalcFI(double p, int df1, int df2);

  int StatError = kStatOk;

  // The gamma-function overflow ends the job: the engine stops and reports FatalMessage().
  bool Fatal() const { return fatal_; }
  static const char* FatalMessage();

 private:
  double LogBeta(double a, double b);
  double BetaContinuedFraction(double x, double a, double b);

  std::ostream& report_;
  bool fatal_ = false;
};

}  // namespace quarry::modeltree
