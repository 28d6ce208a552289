#include "core/modeltree/distributions.h"

#include <cmath>
#include <ostream>

namespace quarry::modeltree {

namespace {

constexpr const char* kGammaMessage = "Errore nel calcolo della funzione gamma  !! \n";

// Terms of the asymptotic series of ln Gamma, close to 1/12, -1/360, 1/1260, -1/1680, 1/1188.
constexpr double kStirling[] = {0.0833333333333, -0.00277777777778, 0.000793650793651,
                                -0.000595238095238, 0.000841750841751};
constexpr double kHalfLogTwoPi = 0.918938533205;

}  // namespace

Distributions::Distributions(std::ostream& report) : report_(report) {}

const char* Distributions::FatalMessage() { return "Errore nel calcolo della funzione gamma  !!"; }

double Distributions::LogGamma(double x) {
  if (x == 0.0) {
    report_ << "\n!!x=0 in LogGamma; zero returned";
    return 0.0;
  }
  if (x < 0.0) {
    report_ << "\n!!x < 0 in LogGamma; zero returned";
    report_ << "\nUse reflection formula";
    return 0.0;
  }
  if (x >= 10.0) {
    double series = 0.0;
    double power = x;  // x^(2i-1)
    for (double c : kStirling) {
      series += c / power;
      power *= x * x;
    }
    return (x - 0.5) * std::log(x) - x + kHalfLogTwoPi + series;
  }
  // Shift into 10 <= z < 11 and divide the factors Gamma(z) has in excess of Gamma(x) back out.
  const int k = static_cast<int>(12.0 - x);
  const double z = x - 1.0 + k;
  double result = LogGamma(z);
  for (int j = 1; j <= k - 1; ++j) result -= std::log(z - j);
  return result;
}

double Distributions::GuardedLogGamma(double x) {
  const double result = LogGamma(x);
  if (!(result <= DBL_MAX)) {  // infinite, or no number at all
    report_ << kGammaMessage;
    StatError = kStatGammaOverflow;
    fatal_ = true;
  }
  return result;
}

double Distributions::LogBeta(double a, double b) {
  return GuardedLogGamma(a) + GuardedLogGamma(b) - GuardedLogGamma(a + b);
}

// The continued fraction of I_x(a, b) evaluated from the front (modified Lentz steps); it
// converges quickly for x below (a + 1) / (a + b + 2).
double Distributions::BetaContinuedFraction(double x, double a, double b) {
  constexpr double kTiny = 1e-300;
  constexpr double kEpsilon = 1e-15;
  constexpr int kMaxTerms = 20000;
  auto guard = [](double v) { return std::fabs(v) < kTiny ? kTiny : v; };
  double c = 1.0;
  double d = 1.0 / guard(1.0 - (a + b) * x / (a + 1.0));
  double h = d;
  for (int m = 1; m <= kMaxTerms; ++m) {
    const double m2 = 2.0 * m;
    double term = m * (b - m) * x / ((a - 1.0 + m2) * (a + m2));
    d = 1.0 / guard(1.0 + term * d);
    c = guard(1.0 + term / c);
    h *= d * c;
    term = -(a + m) * (a + b + m) * x / ((a + m2) * (a + 1.0 + m2));
    d = 1.0 / guard(1.0 + term * d);
    c = guard(1.0 + term / c);
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1.0) < kEpsilon) break;
  }
  return h;
}

double Distributions::CalcB(double x, double a, double b) {
  if (!(x >= 0.0 && x <= 1.0)) {
    StatError = kStatRange;
    report_ << "CalcB : valore al di fuori del range 0 - 1\n";
    return 0.0;
  }
  if (!(a > 0.0 && b > 0.0)) {
    StatError = kStatParameters;
    report_ << "CalcB : a o b minori o uguali a zero\n";
    return 0.0;
  }
  StatError = kStatOk;
  if (x == 0.0) return 0.0;
  if (x == 1.0) return 1.0;
  const double logFront = a * std::log(x) + b * std::log1p(-x) - LogBeta(a, b);
  if (fatal_) return 0.0;
  const double front = std::exp(logFront);  // underflows to 0 far out in the tail
  // Each side of the mean uses the fraction that converges there; the two are exact complements.
  if (x < (a + 1.0) / (a + b + 2.0)) return front * BetaContinuedFraction(x, a, b) / a;
  return 1.0 - front * BetaContinuedFraction(1.0 - x, b, a) / b;
}

double Distributions::CalcBI(double p, double a, double b) {
  if (!(a > 0.0 && b > 0.0)) {
    StatError = kStatParameters;
    report_ << "CalcBI : a o b minori o uguali a zero\n";
    return 0.0;
  }
  if (!(p > 0.0 && p < 1.0)) {
    StatError = kStatRange;
    report_ << "CalbBI : probabilita' al di fuori del range 0 - 1\n";
    return 0.0;
  }
  const double logBeta = LogBeta(a, b);
  if (fatal_) return 0.0;
  // A bracketing search gives the start value ...
  double lo = 0.0;
  double hi = 1.0;
  double x = 0.5;
  for (int halving = 0; halving < 30; ++halving) {
    const double f = CalcB(x, a, b) - p;
    if (std::fabs(f) < 1e-5) break;
    (f < 0.0 ? lo : hi) = x;
    if (hi - lo < 1e-6) break;
    x = 0.5 * (lo + hi);
  }
  // ... which Newton steps refine, falling back to halving the bracket when a step leaves it.
  for (int iteration = 0; iteration < 100; ++iteration) {
    const double f = CalcB(x, a, b) - p;
    if (fatal_) {
      StatError = kStatGammaOverflow;
      return x;
    }
    if (f == 0.0) {
      StatError = kStatOk;
      return x;
    }
    (f < 0.0 ? lo : hi) = x;
    const double density = std::exp((a - 1.0) * std::log(x) + (b - 1.0) * std::log1p(-x) - logBeta);
    double next = x - f / density;
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (std::fabs(next - x) <= 1e-13 * next || hi - lo <= 1e-15 * hi) {
      StatError = kStatOk;
      return next;
    }
    x = next;
  }
  StatError = kStatNoConvergence;
  report_ << "CalcBI : il valore non e' trovato in cento iterazioni\n";
  return x;
}

double Distributions::CalcFI(double p, int df1, int df2) {
  if (!(p > 0.0 && p < 1.0)) {
    StatError = kStatParameters;
    report_ << "CalcFI : probabilita' al di fuori del range 0 - 1 \n";
    return kFailedQuantile;
  }
  StatError = kStatOk;
  const double a = df1 / 2.0;
  const double b = df2 / 2.0;
  auto inverseFailed = [this] {
    StatError = kStatRange;
    report_ << "CalcFI : errore nel calcolo dell'inverso della beta \n";
    return kFailedQuantile;
  };
  auto infinite = [this] {
    StatError = kStatInfinite;
    report_ << "CalcFI : il risultato e' infinito \n";
    return kFailedQuantile;
  };
  if (p <= 0.5) {
    const double x = CalcBI(p, a, b);
    if (StatError != kStatOk) return inverseFailed();
    if (x >= 1.0) return infinite();
    return df2 * x / ((1.0 - x) * df1);
  }
  const double y = CalcBI(1.0 - p, b, a);
  if (StatError != kStatOk) return inverseFailed();
  if (y == 0.0) return infinite();
  return (1.0 / y - 1.0) * df2 / df1;
}

}  // namespace quarry::modeltree
