#include "adjustment.hpp"

#include "geometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vq {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// sigma0 at or below this many units in the last place of the largest
// destination coordinate is the rounding noise of an exact fit.
constexpr double kRoundingUlps = 64.0;

// A redundancy number below this is a point that the fit reproduces whatever
// its observation: its residual says nothing and is not tested.
constexpr double kUntestable = 1e-9;

std::vector<std::size_t> controls(const std::vector<PointRole>& roles) {
    std::vector<std::size_t> use;
    for (std::size_t i = 0; i < roles.size(); ++i)
        if (roles[i] == PointRole::control) use.push_back(i);
    return use;
}

[[noreturn]] void degenerate(const std::string& name, const std::string& why) {
    throw FitError(name + ": degenerate geometry: " + why);
}

void check_geometry(const PointPairs& pairs, const std::vector<std::size_t>& use, ModelKind kind,
                    const std::string& name) {
    const std::size_t n = use.size();
    const char* model = model_name(kind);
    if (n < minimum_points(kind)) {
        throw FitError(name + ": " + std::to_string(n) + " control point" + (n == 1 ? "" : "s") + "; model " + model +
                       " needs at least " + std::to_string(minimum_points(kind)) +
                       (kind == ModelKind::similarity3d ? " non-collinear points" : " points"));
    }
    const Spread source = spread_of(pairs, use, false);
    const Spread destination = spread_of(pairs, use, true);
    for (const Spread* s : {&source, &destination}) {
        if (s->largest > kLargestCoordinate)
            throw FitError(name + ": coordinates beyond 1e140 in magnitude cannot be fitted (their squares "
                                  "overflow); scale them");
        if (kind != ModelKind::translation && s->deviation > 0.0 && s->deviation < 1.0 / kLargestCoordinate)
            throw FitError(name + ": coordinates that differ by less than 1e-140 cannot be fitted (their squares "
                                  "underflow); scale them");
    }
    if (kind == ModelKind::translation) return;
    if (source.coincident) degenerate(name, "all source points coincide");
    if (destination.coincident) degenerate(name, "all destination points coincide");
    const bool needs_plane = kind != ModelKind::rigid && kind != ModelKind::similarity;
    if (needs_plane && source.collinear)
        degenerate(name, std::string("the source points are collinear; model ") + model +
                             " needs points spread in two directions");
    if (kind == ModelKind::similarity3d && destination.collinear)
        degenerate(name, "the destination points are collinear");
    if ((kind == ModelKind::rigid || kind == ModelKind::similarity) && mirrored(pairs, use))
        throw FitError(name + ": the destination is a mirror image of the source (image rows counting down, "
                              "map y up?): no " + std::string(model) +
                       " maps one onto the other; use --y-down for pixel/line coordinates, or --model affine");
    if (kind == ModelKind::similarity3d && mirrored(pairs, use))
        throw FitError(name + ": the destination is a mirror image of the source (one axis reversed, e.g. "
                              "heights or depths of opposite sign, or a left-handed system): no rotation maps one "
                              "onto the other");
}

// 1.4826 median |v| / sqrt(q_vv) over the testable coordinates of the control
// points (1.4826 makes the median absolute value of a normal variable its
// standard deviation); never below the rounding level of the coordinates.
double robust_sigma(FitResult& r, const PointPairs& pairs, const std::vector<std::size_t>& use,
                    double largest_coordinate) {
    Quality& q = r.quality;
    if (q.redundancy == 0 || q.exact) return q.sigma0;
    q.sigma = 1.0;  // residual() then gives v / sqrt(q_vv)
    // Single precision is plenty for a median and halves the memory of a
    // large fit.
    std::vector<float> a;
    a.reserve(use.size() * static_cast<std::size_t>(r.dimension()));
    for (std::size_t i : use) {
        const PointResidual p = r.standardized(pairs, i);
        for (int k = 0; k < r.dimension(); ++k)
            if (std::isfinite(p.w[k])) a.push_back(static_cast<float>(std::fabs(p.w[k])));
    }
    if (a.empty()) return q.sigma0;
    std::nth_element(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(a.size() / 2), a.end());
    const double floor = kRoundingUlps * std::numeric_limits<double>::epsilon() * largest_coordinate;
    return std::max(1.4826 * static_cast<double>(a[a.size() / 2]), floor);
}

}  // namespace

PointResidual FitResult::residual(const PointPairs& pairs, std::size_t i) const {
    PointResidual r = standardized(pairs, i);
    r.length = dimension() == 3 ? std::hypot(r.v[0], r.v[1], r.v[2]) : std::hypot(r.v[0], r.v[1]);
    return r;
}

PointResidual FitResult::standardized(const PointPairs& pairs, std::size_t i) const {
    PointResidual r;
    const int dim = dimension();
    const double* source = pairs.src(i);
    const double* observed = pairs.dst(i);
    transform.apply(source, r.fitted);
    for (int k = 0; k < dim; ++k) r.v[k] = observed[k] - r.fitted[k];

    double mirrored_source[3] = {source[0], source[1], dim == 3 ? source[2] : 0.0};
    if (transform.y_down) mirrored_source[1] = -mirrored_source[1];
    double rows[3][kMaxUnknowns];
    design_rows(transform, mirrored_source, rows);
    const std::size_t u = quality.unknowns;
    const bool control = roles[i] == PointRole::control;
    r.largest_w = kNaN;
    for (int k = 0; k < dim; ++k) {
        double aqa = 0.0;
        if (quality.qxx.size() == u * u)
            for (std::size_t a = 0; a < u; ++a) {
                if (rows[k][a] == 0.0) continue;
                double s = 0.0;
                for (std::size_t b = 0; b < u; ++b) s += quality.qxx[a * u + b] * rows[k][b];
                aqa += rows[k][a] * s;
            }
        r.redundancy[k] = control ? 1.0 - aqa : 1.0 + aqa;
        const bool testable = quality.testable() && r.redundancy[k] > kUntestable;
        r.w[k] = testable ? r.v[k] / (quality.sigma * std::sqrt(r.redundancy[k])) : kNaN;
        if (testable && !(std::fabs(r.w[k]) <= r.largest_w)) r.largest_w = std::fabs(r.w[k]);
    }
    r.flagged = control && r.largest_w > quality.critical_value;
    return r;
}

FitResult fit_points(const PointPairs& pairs, std::vector<PointRole> roles, ModelKind kind, const FitOptions& options,
                     const std::string& name) {
    const int dim = model_dimension(kind);
    if (pairs.dim != dim)
        throw FitError(name + ": model " + model_name(kind) + " needs " + std::to_string(dim) + "D points");
    if (roles.empty()) roles.assign(pairs.count, PointRole::control);
    std::vector<double> mirrored_storage;
    const bool y_down = options.y_down && dim == 2;
    const PointPairs view = y_down ? mirrored_source_y(pairs, mirrored_storage) : pairs;

    auto fit_once = [&](const std::vector<PointRole>& with_roles) {
        FitResult r;
        r.roles = with_roles;
        const std::vector<std::size_t> use = controls(with_roles);
        check_geometry(view, use, kind, name);
        r.transform = fit_transform(view, use, kind, options.scale, &r.rotation, name);
        r.transform.y_down = y_down;
        Quality& q = r.quality;
        // The determinacy test first: it names what is wrong when the record is not finite.
        q.qxx = cofactor_matrix(r.transform, pairs, use, name);
        if (!r.transform.finite()) degenerate(name, "the fitted parameters are not finite");
        if (kind == ModelKind::similarity3d && !r.rotation.converged)
            throw FitError(name + ": the 3D rotation did not converge to the least-squares optimum (are the points "
                                  "nearly collinear?)");
        q.unknowns = model_unknowns(kind);
        q.observations = static_cast<std::size_t>(dim) * use.size();
        q.redundancy = q.observations - q.unknowns;
        q.critical_value = options.critical_value;
        r.control = use.size();

        std::vector<float> lengths;  // for the median only
        lengths.reserve(use.size());
        double largest_coordinate = 0.0, largest_squared = -1.0;
        for (std::size_t i : use) {
            double fitted[3];
            r.transform.apply(pairs.src(i), fitted);
            double squared = 0.0;
            for (int k = 0; k < dim; ++k) {
                const double v = pairs.dst(i)[k] - fitted[k];
                squared += v * v;
                largest_coordinate = std::max(largest_coordinate, std::fabs(pairs.dst(i)[k]));
            }
            q.vtv += squared;
            lengths.push_back(static_cast<float>(std::sqrt(squared)));
            if (squared > largest_squared) {
                largest_squared = squared;
                r.largest = i;
            }
        }
        r.rms = std::sqrt(q.vtv / static_cast<double>(use.size()));
        std::nth_element(lengths.begin(), lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2),
                         lengths.end());
        r.median_length = static_cast<double>(lengths[lengths.size() / 2]);
        if (q.redundancy > 0) {
            q.sigma0 = std::sqrt(q.vtv / static_cast<double>(q.redundancy));
            q.exact = q.sigma0 <= kRoundingUlps * std::numeric_limits<double>::epsilon() * largest_coordinate;
        }
        q.a_priori = options.sigma > 0.0;
        q.sigma = q.a_priori ? options.sigma : robust_sigma(r, pairs, use, largest_coordinate);
        for (std::size_t i : use)
            if (r.standardized(pairs, i).flagged) r.flagged.push_back(i);
        return r;
    };

    FitResult result = fit_once(roles);
    std::vector<std::size_t> rejected;
    while (options.reject && rejected.size() < *options.reject && !result.flagged.empty()) {
        if (result.control < minimum_points(kind) + 2) {
            result.warnings.push_back("--reject stopped: removing another point would leave no redundancy to test");
            break;
        }
        std::size_t worst = result.flagged[0];
        double worst_w = -1.0;
        for (std::size_t i : result.flagged) {
            const double w = result.standardized(pairs, i).largest_w;
            if (w > worst_w) {
                worst_w = w;
                worst = i;
            }
        }
        std::vector<PointRole> next = result.roles;
        next[worst] = PointRole::rejected;
        try {
            FitResult refit = fit_once(next);
            rejected.push_back(worst);
            result = std::move(refit);
        } catch (const FitError&) {
            result.warnings.push_back("--reject stopped: without the next flagged point the model is not determined");
            break;
        }
    }
    result.rejected = rejected;
    if (options.y_down && dim == 3) result.warnings.push_back("--y-down applies to 2D models only; ignored");
    return result;
}

}  // namespace vq
