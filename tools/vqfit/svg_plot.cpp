// The picture: 2D fits are drawn in the destination system (x to the right, y
// up); 3D fits in the best-fitting plane of the destination points (its two
// axes of largest spread), residuals in that plane as arrows and across it as
// vertical bars. Each residual is drawn from its point, multiplied by the
// magnification; two scale bars give the map scale and the residual scale.
// The points are drawn inside a clipped plot area, apart from the title and
// the legend.
#include "svg_plot.hpp"

#include "geometry.hpp"
#include "point_file.hpp"
#include "report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <array>
#include <vector>

namespace vq {

double nice_below(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= value) return step * power;
    return power;
}

std::string xml_escape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else if (c == '\'') out += "&apos;";
        else if (c >= 0x20 && c < 0x7f) out += static_cast<char>(c);
        else if (c >= 0xc2 && c <= 0xf4) {
            // A well-formed multi-byte sequence is kept whole.
            const std::size_t len = c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
            bool ok = i + len <= text.size();
            for (std::size_t k = 1; ok && k < len; ++k)
                ok = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
            if (ok && len == 3) {
                const auto c1 = static_cast<unsigned char>(text[i + 1]);
                ok = !(c == 0xe0 && c1 < 0xa0) && !(c == 0xed && c1 >= 0xa0);  // overlong, surrogates
                if (ok && c == 0xef && c1 == 0xbf)  // U+FFFE and U+FFFF are not XML characters
                    ok = static_cast<unsigned char>(text[i + 2]) < 0xbe;
            }
            if (ok && len == 4) {
                const auto c1 = static_cast<unsigned char>(text[i + 1]);
                ok = !(c == 0xf0 && c1 < 0x90) && !(c == 0xf4 && c1 >= 0x90);
            }
            if (ok) {
                out.append(text.substr(i, len));
                i += len;
                continue;
            }
            out += '?';
        } else out += '?';
        ++i;
    }
    return out;
}

namespace {

std::string num(double v) { return fixed(v, 2); }

// Page geometry (pixels): title band, square plot area, legend band.
constexpr double kWidth = 820.0;
constexpr double kMargin = 60.0;
constexpr double kTitleBand = 70.0;
constexpr double kPlotSize = kWidth - 2 * kMargin;
constexpr double kLegendBand = 120.0;
constexpr double kHeight = kTitleBand + kPlotSize + kLegendBand;
// A typical (median) residual is drawn this long; a vector longer than the
// clip length is cut there and labelled with its length.
constexpr double kTypicalPixels = 24.0;
constexpr double kClipPixels = 90.0;

const char* const kControlColour = "#1f4e9c";
const char* const kBlunderColour = "#d62728";
const char* const kCheckColour = "#7f7f7f";
const char* const kHeightColour = "#2ca02c";
const char* const kBarColour = "#333333";

// Plane coordinates of the points and residuals to draw; 3D fits also keep
// the residual across the plane (the height residual).
struct Drawing {
    std::vector<std::size_t> index;  // the points drawn
    std::vector<double> xy;          // 2 per point drawn
    std::vector<double> v;           // 3 per point drawn: in the plane, then across it
    std::vector<double> length;      // |v| per point drawn
    std::vector<bool> flagged;
    std::string axes_note;
};

Drawing project(const FitResult& fit, const PointPairs& pairs) {
    const int dim = fit.dimension();
    const std::size_t n = fit.count();
    Drawing d;
    for (std::size_t i = 0; i < n; ++i) {
        // kPlotPoints evenly spread indices: those where i * kPlotPoints / n steps.
        const bool sampled = n <= kPlotPoints || (i * kPlotPoints) / n != ((i + 1) * kPlotPoints) / n;
        const bool special = fit.roles[i] != PointRole::control ||
                             std::binary_search(fit.flagged.begin(), fit.flagged.end(), i) || i == fit.largest;
        if (sampled || special) d.index.push_back(i);
    }
    std::array<std::array<double, 3>, 3> axes{};
    double mean[3] = {0, 0, 0};
    if (dim == 3) {
        for (std::size_t i = 0; i < n; ++i)
            for (int k = 0; k < 3; ++k) mean[k] += pairs.dst(i)[k] / static_cast<double>(n);
        double m[3][3] = {};
        for (std::size_t i = 0; i < n; ++i) {
            double p[3];
            for (int k = 0; k < 3; ++k) p[k] = pairs.dst(i)[k] - mean[k];
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) m[r][c] += p[r] * p[c];
        }
        axes = principal_axes(m);
    }
    for (std::size_t i : d.index) {
        const PointResidual r = fit.residual(pairs, i);
        d.length.push_back(r.length);
        d.flagged.push_back(r.flagged);
        if (dim == 2) {
            d.xy.insert(d.xy.end(), {pairs.dst(i)[0], pairs.dst(i)[1]});
            d.v.insert(d.v.end(), {r.v[0], r.v[1], 0.0});
            continue;
        }
        for (int a = 0; a < 2; ++a) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k) s += axes[a][k] * (pairs.dst(i)[k] - mean[k]);
            d.xy.push_back(s);
        }
        for (int a = 0; a < 3; ++a) d.v.push_back(axes[a][0] * r.v[0] + axes[a][1] * r.v[1] + axes[a][2] * r.v[2]);
    }
    d.axes_note = dim == 2 ? "destination system, X to the right, Y up"
                           : "best-fitting plane of the destination points; residuals in it as arrows, "
                             "across it as green vertical bars";
    return d;
}

std::string arrow(double x1, double y1, double x2, double y2, const char* colour) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) +
           "\" stroke=\"" + colour + "\" stroke-width=\"1.5\" marker-end=\"url(#head)\"/>";
}

}  // namespace

std::string fit_plot_svg(const FitResult& fit, const PointPairs& pairs, const PointTable& points,
                         const PlotOptions& options) {
    const Drawing d = project(fit, pairs);
    const std::size_t shown = d.index.size();
    double lo[2] = {d.xy[0], d.xy[1]}, hi[2] = {d.xy[0], d.xy[1]};
    for (std::size_t k = 0; k < shown; ++k)
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::min(lo[a], d.xy[2 * k + a]);
            hi[a] = std::max(hi[a], d.xy[2 * k + a]);
        }
    double range = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (!(range > 0.0)) range = 1.0;
    const double inset = 40.0;  // room for labels inside the plot area
    const double unit = (kPlotSize - 2 * inset) / range;  // pixels per coordinate unit
    const double left = kMargin + inset, top = kTitleBand + inset;
    auto sx = [&](double x) { return left + (x - lo[0]) * unit; };
    auto sy = [&](double y) { return top + (hi[1] - y) * unit; };

    // Residuals are drawn only where they are more than rounding noise.
    const bool noise = fit.quality.redundancy == 0 || fit.quality.exact;
    double magnification = options.magnification;
    if (!(magnification > 0.0))
        magnification = !noise && fit.median_length > 0.0 ? nice_below(kTypicalPixels / (unit * fit.median_length)) : 0.0;
    const bool vectors = magnification > 0.0 && !noise;

    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) +
         "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<defs><marker id=\"head\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" markerWidth=\"6\" "
         "markerHeight=\"6\" orient=\"auto-start-reverse\"><path d=\"M 0 0 L 10 5 L 0 10 z\" "
         "fill=\"context-stroke\"/></marker>"
         "<clipPath id=\"plot\"><rect x=\"" + num(kMargin) + "\" y=\"" + num(kTitleBand) + "\" width=\"" +
         num(kPlotSize) + "\" height=\"" + num(kPlotSize) + "\"/></clipPath></defs>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) + "\" fill=\"white\"/>\n";
    s += "<rect x=\"" + num(kMargin) + "\" y=\"" + num(kTitleBand) + "\" width=\"" + num(kPlotSize) + "\" height=\"" +
         num(kPlotSize) + "\" fill=\"none\" stroke=\"#cccccc\"/>\n";
    s += "<text x=\"" + num(kMargin) + "\" y=\"24\" font-size=\"15\">" +
         xml_escape(std::string("vq fit --model ") + model_name(fit.transform.kind) + "  " + points.file_name()) +
         "</text>\n";
    std::string subtitle = "RMS " + fixed(fit.rms, 4) + ", median " + fixed(fit.median_length, 4) + ", largest " +
                           fixed(fit.residual(pairs, fit.largest).length, 4) + " at " +
                           std::string(points.id(fit.largest)) + " (destination units); ";
    subtitle += vectors ? "residual vectors magnified " + shortest(magnification) + " times"
                        : std::string(fit.quality.redundancy == 0 ? "no redundancy" : "an exact fit") +
                              ": residuals are rounding noise and are not drawn";
    s += "<text x=\"" + num(kMargin) + "\" y=\"46\">" + xml_escape(subtitle) + "</text>\n";
    if (shown < fit.count())
        s += "<text x=\"" + num(kMargin) + "\" y=\"62\" font-size=\"11\" fill=\"#555\">" +
             xml_escape("showing " + std::to_string(shown) + " of " + std::to_string(fit.count()) +
                        " points: an even sample, with every flagged and check point") +
             "</text>\n";

    s += "<g clip-path=\"url(#plot)\">\n";
    for (std::size_t k = 0; k < shown; ++k) {
        const std::size_t i = d.index[k];
        const double x = sx(d.xy[2 * k]), y = sy(d.xy[2 * k + 1]);
        const bool control = fit.roles[i] == PointRole::control;
        const char* colour = d.flagged[k] ? kBlunderColour
                             : control    ? kControlColour
                             : fit.roles[i] == PointRole::rejected ? kBlunderColour
                                                                   : kCheckColour;
        s += "<g><title>" + xml_escape(std::string(points.id(i)) + ": |v| = " + fixed(d.length[k], 4)) + "</title>";
        s += "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"3.5\" " +
             (control ? std::string("fill=\"") + colour + "\""
                      : std::string("fill=\"white\" stroke=\"") + colour + "\" stroke-width=\"1.5\"") +
             "/>";
        if (vectors) {
            double ex = magnification * d.v[3 * k] * unit, ey = -magnification * d.v[3 * k + 1] * unit;
            const double drawn = std::hypot(ex, ey);
            const bool clipped = drawn > kClipPixels;
            if (clipped) {
                ex *= kClipPixels / drawn;
                ey *= kClipPixels / drawn;
            }
            if (std::hypot(ex, ey) > 0.5) s += arrow(x, y, x + ex, y + ey, colour);
            if (clipped)
                s += "<text x=\"" + num(x + ex + 4) + "\" y=\"" + num(y + ey - 4) + "\" fill=\"" + colour +
                     "\" font-size=\"11\">" + xml_escape("|v| " + fixed(d.length[k], 3) + " (clipped)") + "</text>";
            const double h = -magnification * d.v[3 * k + 2] * unit;  // across the plane (3D)
            if (std::fabs(h) > 0.5) {
                const double bar = std::clamp(h, -kClipPixels, kClipPixels);
                s += "<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x) + "\" y2=\"" +
                     num(y + bar) + "\" stroke=\"" + kHeightColour + "\" stroke-width=\"3\" opacity=\"0.7\"/>";
            }
        }
        if (shown <= 200)
            s += "<text x=\"" + num(x + 6) + "\" y=\"" + num(y - 6) + "\" fill=\"" + colour + "\">" +
                 xml_escape(points.id(i)) + "</text>";
        s += "</g>\n";
    }
    s += "</g>\n";

    // Legend band: map scale and residual scale bars, then the notes.
    const double base = kTitleBand + kPlotSize + 32;
    const double map_bar = nice_below(150.0 / unit);
    s += "<line x1=\"" + num(kMargin) + "\" y1=\"" + num(base) + "\" x2=\"" + num(kMargin + map_bar * unit) +
         "\" y2=\"" + num(base) + "\" stroke=\"black\" stroke-width=\"2\"/>\n";
    s += "<text x=\"" + num(kMargin) + "\" y=\"" + num(base + 18) + "\">map scale: " + xml_escape(shortest(map_bar)) +
         " destination units</text>\n";
    if (vectors) {
        const double residual_bar = nice_below(150.0 / (unit * magnification));
        const double rx = kMargin + 330;
        s += "<line x1=\"" + num(rx) + "\" y1=\"" + num(base) + "\" x2=\"" +
             num(rx + residual_bar * magnification * unit) + "\" y2=\"" + num(base) + "\" stroke=\"" + kBarColour +
             "\" stroke-width=\"2\"/>\n";
        s += "<text x=\"" + num(rx) + "\" y=\"" + num(base + 18) + "\">residual scale: " +
             xml_escape(shortest(residual_bar)) + " units (magnification " + xml_escape(shortest(magnification)) +
             ")</text>\n";
    }
    const std::string notes[] = {d.axes_note + ".",
                                 "Blue: control point; red: suspected blunder (|w| > " +
                                     shortest(fit.quality.critical_value) +
                                     ") or rejected point; hollow: check or rejected point."};
    for (int k = 0; k < 2; ++k)
        s += "<text x=\"" + num(kMargin) + "\" y=\"" + num(base + 44 + 16 * k) +
             "\" font-size=\"11\" fill=\"#555\">" + xml_escape(notes[k]) + "</text>\n";
    s += "</svg>\n";
    return s;
}

}  // namespace vq
