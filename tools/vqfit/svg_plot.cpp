// The picture: 2D fits are drawn in the destination system (x to the right, y
// up); 3D fits in the best-fitting plane of the destination points (its two
// axes of largest spread), residuals projected onto that plane. Each residual
// vector is drawn from its point, multiplied by the magnification; two scale
// bars give the map scale and the residual scale.
#include "svg_plot.hpp"

#include "geometry.hpp"
#include "point_file.hpp"
#include "report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// Plane coordinates of the points and residuals to draw.
struct Drawing {
    std::vector<double> xy;     // 2 per point
    std::vector<double> v;      // 2 per point
    std::string axes_note;
};

Drawing project(const FitResult& fit, const PointTable& points) {
    const int dim = fit.transform.dimension();
    const std::size_t n = fit.count;
    Drawing d;
    d.xy.resize(2 * n);
    d.v.resize(2 * n);
    if (dim == 2) {
        for (std::size_t i = 0; i < n; ++i) {
            d.xy[2 * i] = points.values(i)[2];
            d.xy[2 * i + 1] = points.values(i)[3];
            d.v[2 * i] = fit.residuals[2 * i];
            d.v[2 * i + 1] = fit.residuals[2 * i + 1];
        }
        d.axes_note = "destination system, X to the right, Y up";
        return d;
    }
    double mean[3] = {0, 0, 0};
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) mean[k] += points.values(i)[3 + k] / static_cast<double>(n);
    double m[3][3] = {};
    for (std::size_t i = 0; i < n; ++i) {
        double p[3];
        for (int k = 0; k < 3; ++k) p[k] = points.values(i)[3 + k] - mean[k];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m[r][c] += p[r] * p[c];
    }
    const auto axes = principal_axes(m);
    for (std::size_t i = 0; i < n; ++i) {
        for (int a = 0; a < 2; ++a) {
            double s = 0.0, w = 0.0;
            for (int k = 0; k < 3; ++k) {
                s += axes[a][k] * (points.values(i)[3 + k] - mean[k]);
                w += axes[a][k] * fit.residuals[3 * i + k];
            }
            d.xy[2 * i + a] = s;
            d.v[2 * i + a] = w;
        }
    }
    d.axes_note = "best-fitting plane of the destination points; residuals projected onto it";
    return d;
}

}  // namespace

std::string fit_plot_svg(const FitResult& fit, const PointTable& points, const PlotOptions& options) {
    const Drawing d = project(fit, points);
    const std::size_t n = fit.count;
    double lo[2] = {d.xy[0], d.xy[1]}, hi[2] = {d.xy[0], d.xy[1]};
    for (std::size_t i = 0; i < n; ++i)
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::min(lo[a], d.xy[2 * i + a]);
            hi[a] = std::max(hi[a], d.xy[2 * i + a]);
        }
    double range = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (!(range > 0.0)) range = 1.0;

    const double largest = fit.lengths[fit.largest];
    double magnification = options.magnification;
    if (!(magnification > 0.0)) magnification = largest > 0.0 ? nice_below(0.15 * range / largest) : 1.0;

    const double size = 800.0, margin = 70.0, bottom = 110.0;
    const double unit = (size - 2 * margin) / range;  // pixels per coordinate unit
    const double width = size, height = size + bottom - margin;
    auto sx = [&](double x) { return margin + (x - lo[0]) * unit; };
    auto sy = [&](double y) { return margin + (hi[1] - y) * unit; };

    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" + num(height) +
         "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<defs><marker id=\"head\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" markerWidth=\"6\" "
         "markerHeight=\"6\" orient=\"auto-start-reverse\"><path d=\"M 0 0 L 10 5 L 0 10 z\" "
         "fill=\"context-stroke\"/></marker></defs>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) + "\" fill=\"white\"/>\n";
    s += "<text x=\"" + num(margin) + "\" y=\"24\" font-size=\"15\">" +
         xml_escape(std::string("vq fit --model ") + model_name(fit.transform.kind) + "  " + points.file_name()) +
         "</text>\n";
    s += "<text x=\"" + num(margin) + "\" y=\"44\">" +
         xml_escape("RMS " + fixed(fit.rms, 4) + ", largest " + fixed(largest, 4) + " at " +
                    std::string(points.id(fit.largest)) + "; residual vectors magnified " +
                    shortest(magnification) + " times") +
         "</text>\n";

    for (std::size_t i = 0; i < n; ++i) {
        const double x = d.xy[2 * i], y = d.xy[2 * i + 1];
        const char* colour = fit.blunder[i] ? "#d62728" : "#1f4e9c";
        s += "<g><title>" + xml_escape(std::string(points.id(i)) + ": |v| = " + fixed(fit.lengths[i], 4)) + "</title>";
        s += "<circle cx=\"" + num(sx(x)) + "\" cy=\"" + num(sy(y)) + "\" r=\"3.5\" fill=\"" + colour + "\"/>";
        const double ex = x + magnification * d.v[2 * i], ey = y + magnification * d.v[2 * i + 1];
        if (std::hypot(sx(ex) - sx(x), sy(ey) - sy(y)) > 0.5)
            s += "<line x1=\"" + num(sx(x)) + "\" y1=\"" + num(sy(y)) + "\" x2=\"" + num(sx(ex)) + "\" y2=\"" +
                 num(sy(ey)) + "\" stroke=\"" + colour + "\" stroke-width=\"1.5\" marker-end=\"url(#head)\"/>";
        s += "<text x=\"" + num(sx(x) + 6) + "\" y=\"" + num(sy(y) - 6) + "\" fill=\"" + colour + "\">" +
             xml_escape(points.id(i)) + "</text></g>\n";
    }

    // Scale bars: map units, and residual units after magnification.
    const double base = size - margin + 40;
    const double map_bar = nice_below(150.0 / unit);
    s += "<g stroke=\"black\" stroke-width=\"2\"><line x1=\"" + num(margin) + "\" y1=\"" + num(base) + "\" x2=\"" +
         num(margin + map_bar * unit) + "\" y2=\"" + num(base) + "\"/></g>\n";
    s += "<text x=\"" + num(margin) + "\" y=\"" + num(base + 18) + "\">map scale: " + xml_escape(shortest(map_bar)) +
         " units</text>\n";
    const double residual_bar = nice_below(150.0 / (unit * magnification));
    const double rx = margin + 300;
    s += "<g stroke=\"#d62728\" stroke-width=\"2\"><line x1=\"" + num(rx) + "\" y1=\"" + num(base) + "\" x2=\"" +
         num(rx + residual_bar * magnification * unit) + "\" y2=\"" + num(base) + "\"/></g>\n";
    s += "<text x=\"" + num(rx) + "\" y=\"" + num(base + 18) + "\">residual scale: " +
         xml_escape(shortest(residual_bar)) + " units (magnification " + xml_escape(shortest(magnification)) +
         ")</text>\n";
    s += "<text x=\"" + num(margin) + "\" y=\"" + num(base + 38) + "\" font-size=\"11\" fill=\"#555\">" +
         xml_escape(d.axes_note + "; red: suspected blunder (|v| > 3 RMS)") + "</text>\n";
    s += "</svg>\n";
    return s;
}

}  // namespace vq
