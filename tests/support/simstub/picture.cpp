#include "support/simstub/picture.h"

#include "core/atomic_file.h"
#include "support/simstub/datums.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fmt/format.h>

namespace simstub {

namespace {

constexpr double kPicMaxWidth = 1200.0;
constexpr double kPicMaxHeight = 900.0;
constexpr double kPicMinWidth = 480.0;
constexpr double kPicLeft = 40.0;
constexpr double kPicRight = 160.0; // room for the labels
constexpr double kPicTop = 70.0;    // the title and a margin
constexpr double kPicBottom = 70.0; // the scale bar and a margin
constexpr double kPicMinSpanNm = 0.5;
constexpr double kPicDegrees = M_PI / 180.0;
constexpr const char* kPicGrey = "#999999";

struct PicPoint {
    double x = 0.0; // NM east of the user
    double y = 0.0; // NM north of the user
};

bool lf_picIsStatic(const ObjectState& o) {
    return !o.tail.empty() && o.tail.back() == '*';
}

// Latin-1 bytes as XML text in UTF-8; control characters become '?'.
std::string lf_picXmlText(const std::string& latin1) {
    std::string out;
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += '?';
            } else if (c < 0x80) {
                out += static_cast<char>(c);
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }
    return out;
}

// The colour of a track segment by the height of its first point: on the ground, below
// 3,000 ft above the ground, above.
constexpr const char* kPicColours[] = {"#8a5a00", "#1f6fd0", "#c02020"};

int lf_picBand(const PositionRecord& p, double ground, double staticCg) {
    const double agl = std::max(0.0, p.altitude - ground);
    if (gf_aiOnGround(agl, staticCg)) {
        return 0;
    }
    return agl < 3000.0 ? 1 : 2;
}

// A round length of the scale bar, at most a quarter of the frame's width.
double lf_picScaleNm(double widthNm) {
    static const double steps[] = {0.05, 0.1, 0.2, 0.5, 1,   2,    5,    10,
                                   20,   50,  100, 200, 500, 1000, 2000, 5000};
    double best = steps[0];
    for (const double s : steps) {
        if (s <= widthNm / 4.0) {
            best = s;
        }
    }
    return best;
}

class PicFrame {
public:
    explicit PicFrame(const PictureInput& in) : lat0_(in.user.latitude), lon0_(in.user.longitude) {
        cosLat_ = std::cos(lat0_ * kPicDegrees);
        double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
        auto take = [&](double lat, double lon) {
            const PicPoint p = toNm(lat, lon);
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        };
        for (const Mark& m : in.marks) {
            take(m.position.latitude, m.position.longitude);
        }
        for (const PictureObject& o : in.objects) {
            take(o.state.latitude, o.state.longitude);
            for (const PositionRecord& p : o.positions) {
                take(p.latitude, p.longitude);
            }
        }
        auto widen = [](double& lo, double& hi) {
            if (hi - lo < kPicMinSpanNm) {
                const double mid = (lo + hi) / 2.0;
                lo = mid - kPicMinSpanNm / 2.0;
                hi = mid + kPicMinSpanNm / 2.0;
            }
        };
        widen(minX, maxX);
        widen(minY, maxY);
        minX_ = minX;
        maxY_ = maxY;
        const double innerW = kPicMaxWidth - kPicLeft - kPicRight;
        const double innerH = kPicMaxHeight - kPicTop - kPicBottom;
        scale_ = std::min(innerW / (maxX - minX), innerH / (maxY - minY));
        spanW_ = (maxX - minX) * scale_;
        width_ = std::min(kPicMaxWidth,
                          std::max(kPicMinWidth, std::ceil(spanW_ + kPicLeft + kPicRight)));
        height_ = std::ceil((maxY - minY) * scale_ + kPicTop + kPicBottom);
        offsetX_ = kPicLeft + std::max(0.0, (width_ - kPicLeft - kPicRight - spanW_) / 2.0);
        widthNm_ = (maxX - minX);
    }

    PicPoint toNm(double lat, double lon) const {
        return {(lon - lon0_) * 60.0 * cosLat_, (lat - lat0_) * 60.0};
    }
    // Pixels.
    double x(double lat, double lon) const {
        return offsetX_ + (toNm(lat, lon).x - minX_) * scale_;
    }
    double y(double lat, double lon) const { return kPicTop + (maxY_ - toNm(lat, lon).y) * scale_; }
    double width() const { return width_; }
    double height() const { return height_; }
    double scale() const { return scale_; } // pixels per NM
    double widthNm() const { return widthNm_; }

private:
    double lat0_, lon0_, cosLat_ = 1.0;
    double minX_ = 0.0, maxY_ = 0.0, scale_ = 1.0, spanW_ = 0.0;
    double width_ = 0.0, height_ = 0.0, offsetX_ = 0.0, widthNm_ = 1.0;
};

void lf_picTrack(std::string& svg, const PicFrame& f, const PictureObject& o, double ground) {
    const bool removed = o.state.end.has_value();
    svg += "<g class=\"track\">";
    // One polyline per run of one colour; each run starts where the last ended.
    const std::vector<PositionRecord>& ps = o.positions;
    auto polyline = [&](std::size_t from, std::size_t to, const char* colour) {
        std::string points;
        for (std::size_t i = from; i <= to; ++i) {
            points += fmt::format("{}{:.1f},{:.1f}", i == from ? "" : " ",
                                  f.x(ps[i].latitude, ps[i].longitude),
                                  f.y(ps[i].latitude, ps[i].longitude));
        }
        svg += fmt::format("<polyline points=\"{}\" fill=\"none\" stroke=\"{}\" "
                           "stroke-width=\"1.5\"{}/>",
                           points, colour, removed ? " stroke-dasharray=\"6 4\"" : "");
    };
    auto band = [&](std::size_t i) {
        return removed ? -1 : lf_picBand(ps[i], ground, o.staticCgFeet);
    };
    auto colour = [&](int b) { return b < 0 ? kPicGrey : kPicColours[b]; };
    if (ps.size() == 1) {
        polyline(0, 0, colour(band(0)));
    }
    for (std::size_t start = 0; start + 1 < ps.size();) {
        const int b = band(start);
        std::size_t end = start + 1;
        while (end + 1 < ps.size() && band(end) == b) {
            ++end;
        }
        polyline(start, end, colour(b));
        start = end;
    }
    svg += "</g>\n";
}

void lf_picObject(std::string& svg, const PicFrame& f, const PictureObject& o, double ground) {
    const ObjectState& s = o.state;
    const bool removed = s.end.has_value();
    const bool isStatic = lf_picIsStatic(s);
    svg += fmt::format("<g class=\"object\" data-id=\"{}\" data-state=\"{}\">\n", s.id,
                       removed    ? "removed"
                       : isStatic ? "static"
                                  : "live");
    lf_picTrack(svg, f, o, ground);
    const double x = f.x(s.latitude, s.longitude);
    const double y = f.y(s.latitude, s.longitude);
    const std::string fill = removed ? kPicGrey : isStatic ? "#333333" : "#000000";
    if (isStatic) {
        svg += fmt::format("<rect class=\"static\" x=\"{:.1f}\" y=\"{:.1f}\" width=\"8.0\" "
                           "height=\"8.0\" fill=\"{}\"/>\n",
                           x - 4.0, y - 4.0, fill);
    } else {
        // A triangle pointing along the heading (radians true, north up).
        const double h = s.heading;
        auto corner = [&](double along, double across) {
            return fmt::format("{:.1f},{:.1f}", x + along * std::sin(h) + across * std::cos(h),
                               y - along * std::cos(h) + across * std::sin(h));
        };
        svg += fmt::format("<polygon class=\"position\" points=\"{} {} {}\" fill=\"{}\"/>\n",
                           corner(7.0, 0.0), corner(-4.0, 4.0), corner(-4.0, -4.0), fill);
    }
    svg += fmt::format("<text class=\"label\" x=\"{:.1f}\" y=\"{:.1f}\" fill=\"{}\">{} {}</text>\n",
                       x + 8.0, y - 6.0, removed ? kPicGrey : "#000000", lf_picXmlText(s.tail),
                       lf_picXmlText(s.title));
    svg += "</g>\n";
}

} // namespace

PictureCounts gf_pictureCounts(const PictureInput& input) {
    PictureCounts c;
    for (const PictureObject& o : input.objects) {
        if (o.state.end) {
            continue;
        }
        ++c.objects;
        ++(lf_picIsStatic(o.state) ? c.statics : c.live);
        c.positions += o.positions.size();
    }
    return c;
}

std::string gf_pictureSvg(const PictureInput& input) {
    const PicFrame f(input);
    const PictureCounts counts = gf_pictureCounts(input);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += fmt::format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0:.0f}\" "
                       "height=\"{1:.0f}\" viewBox=\"0 0 {0:.0f} {1:.0f}\" "
                       "font-family=\"sans-serif\" font-size=\"11\">\n",
                       f.width(), f.height());
    svg += fmt::format("<rect class=\"background\" x=\"0\" y=\"0\" width=\"{:.0f}\" "
                       "height=\"{:.0f}\" fill=\"#ffffff\"/>\n",
                       f.width(), f.height());
    const auto secondsOfDay =
        static_cast<long>(std::floor(gf_zuluParts(input.zuluSeconds).secondsOfDay));
    svg += fmt::format("<text class=\"title\" x=\"{:.0f}\" y=\"24\" font-size=\"14\">simstub "
                       "traffic, stand-in time {:02}:{:02}:{:02}, {} AI objects ({} live, {} "
                       "static)</text>\n",
                       kPicLeft, secondsOfDay / 3600, secondsOfDay / 60 % 60, secondsOfDay % 60,
                       counts.objects, counts.live, counts.statics);

    svg += "<g class=\"marks\">\n";
    for (const Mark& m : input.marks) {
        const double x = f.x(m.position.latitude, m.position.longitude);
        const double y = f.y(m.position.latitude, m.position.longitude);
        const double h = m.heading * kPicDegrees;
        svg += fmt::format(
            "<g class=\"mark\"><rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"6.0\" height=\"6.0\" "
            "fill=\"none\" stroke=\"#777777\"/><line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" "
            "y2=\"{:.1f}\" stroke=\"#777777\"/><text x=\"{:.1f}\" y=\"{:.1f}\" "
            "fill=\"#777777\" font-size=\"9\">{}</text></g>\n",
            x - 3.0, y - 3.0, x, y, x + 8.0 * std::sin(h), y - 8.0 * std::cos(h), x + 5.0, y + 11.0,
            lf_picXmlText(m.name));
    }
    svg += "</g>\n";

    for (const PictureObject& o : input.objects) {
        lf_picObject(svg, f, o, input.groundElevation);
    }

    // The user on top: a ringed cross.
    const double ux = f.x(input.user.latitude, input.user.longitude);
    const double uy = f.y(input.user.latitude, input.user.longitude);
    svg += fmt::format(
        "<g class=\"user\"><circle cx=\"{0:.1f}\" cy=\"{1:.1f}\" r=\"7.0\" "
        "fill=\"none\" stroke=\"#00a000\" stroke-width=\"2\"/><line x1=\"{2:.1f}\" "
        "y1=\"{1:.1f}\" x2=\"{3:.1f}\" y2=\"{1:.1f}\" stroke=\"#00a000\" "
        "stroke-width=\"2\"/><line x1=\"{0:.1f}\" y1=\"{4:.1f}\" x2=\"{0:.1f}\" "
        "y2=\"{5:.1f}\" stroke=\"#00a000\" stroke-width=\"2\"/><text x=\"{6:.1f}\" "
        "y=\"{7:.1f}\" fill=\"#00a000\">{8}</text></g>\n",
        ux, uy, ux - 11.0, ux + 11.0, uy - 11.0, uy + 11.0, ux + 10.0, uy + 18.0,
        lf_picXmlText(input.user.title.empty() ? std::string("user") : input.user.title));

    const double nm = lf_picScaleNm(f.widthNm());
    const double length = nm * f.scale();
    const double by = f.height() - 30.0;
    svg += fmt::format("<g class=\"scale\"><line x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{2:.1f}\" "
                       "y2=\"{1:.1f}\" stroke=\"#000000\" stroke-width=\"2\"/><text x=\"{0:.1f}\" "
                       "y=\"{3:.1f}\">{4} NM</text></g>\n",
                       kPicLeft, by, kPicLeft + length, by + 16.0, nm);
    svg += "</svg>\n";
    return svg;
}

PictureResult gf_writePicture(const std::filesystem::path& path, const PictureInput& input) {
    PictureResult r;
    r.counts = gf_pictureCounts(input);
    const std::string svg = gf_pictureSvg(input);
    errno = 0;
    r.written = gf_replaceFileAtomically(path, [&](std::ostream& out) {
        out.write(svg.data(), static_cast<std::streamsize>(svg.size()));
    });
    if (r.written) {
        r.line = fmt::format("simstub picture {}: {} AI objects ({} live, {} static), {} positions",
                             path.string(), r.counts.objects, r.counts.live, r.counts.statics,
                             r.counts.positions);
    } else {
        const int error = errno;
        r.line = fmt::format("simstub picture failed: {}: {}", path.string(),
                             error != 0 ? std::strerror(error) : "cannot be written");
    }
    return r;
}

} // namespace simstub
