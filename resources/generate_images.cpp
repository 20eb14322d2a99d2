// Draws the tool's images and writes them as files the build embeds:
//   zena.ico             the 64 x 64, 32 bpp tool icon (icon group DEFAULT_ICON)
//   tool_icon_bytes.cpp  the same icon file as bytes, for the tray icon
//   menu_image_0.ico, menu_image_1.ico  the 16 x 16 menu item images, to look at
//   menu_image_bytes.cpp the item images as premultiplied pixels, for the menu
// Same sources, same bytes: no clock, no randomness, integer sample grid.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
    double r, g, b, a;  // straight alpha, 0..1
};

constexpr int ICON_SIZE = 64;
constexpr int SUPERSAMPLE = 4;
constexpr double PI = 3.14159265358979323846;

const Rgba SKY_BLUE{0x5F / 255.0, 0xA6 / 255.0, 0xD0 / 255.0, 1.0};
const Rgba NEAR_WHITE{0xF8 / 255.0, 0xF8 / 255.0, 0xF8 / 255.0, 1.0};

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double const dx = bx - ax, dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    double const ex = px - (ax + t * dx), ey = py - (ay + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

bool InsideRoundedSquare(double x, double y, double size, double radius) {
    double const cx = x < radius ? radius : (x > size - radius ? size - radius : x);
    double const cy = y < radius ? radius : (y > size - radius ? size - radius : y);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius && x >= 0 && y >= 0 &&
           x <= size && y <= size;
}

// A ring around the centre, open at the upper right and the lower left.
bool OnBrokenRing(double x, double y, double centre, double radius, double half_width) {
    double const dx = x - centre, dy = centre - y;  // y up for the angle
    double const distance = std::sqrt(dx * dx + dy * dy);
    if (std::fabs(distance - radius) > half_width) return false;
    double const angle = std::atan2(dy, dx) * 180.0 / PI;  // -180..180, 45 = upper right
    double const gap = 18.0;
    return std::fabs(angle - 45.0) > gap && std::fabs(angle + 135.0) > gap;
}

// An italic Z: two bars and a diagonal, sheared to the right as they rise.
bool OnMonogram(double x, double y) {
    double const shear = 0.22;
    double const sx = x - (40.0 - y) * shear;  // undo the slant
    double const half_width = 2.6;
    double const top = 22, bottom = 42, left = 23, right = 41;
    return SegmentDistance(sx, y, left, top, right, top) <= half_width ||
           SegmentDistance(sx, y, right, top, left, bottom) <= half_width ||
           SegmentDistance(sx, y, left, bottom, right, bottom) <= half_width;
}

Rgba ToolIconPixel(int px, int py) {
    int tile = 0, mark = 0;
    for (int sy = 0; sy < SUPERSAMPLE; ++sy)
        for (int sx = 0; sx < SUPERSAMPLE; ++sx) {
            double const x = px + (sx + 0.5) / SUPERSAMPLE;
            double const y = py + (sy + 0.5) / SUPERSAMPLE;
            if (!InsideRoundedSquare(x, y, ICON_SIZE, 9.0)) continue;
            ++tile;
            if (OnBrokenRing(x, y, 32.0, 25.0, 2.4) || OnMonogram(x, y)) ++mark;
        }
    double const samples = SUPERSAMPLE * SUPERSAMPLE;
    if (tile == 0) return {0, 0, 0, 0};
    double const m = mark / double(tile);
    return {SKY_BLUE.r + (NEAR_WHITE.r - SKY_BLUE.r) * m,
            SKY_BLUE.g + (NEAR_WHITE.g - SKY_BLUE.g) * m,
            SKY_BLUE.b + (NEAR_WHITE.b - SKY_BLUE.b) * m, tile / samples};
}

// The menu item images: black strokes on a clear ground, in a 16 x 16 grid
// whose centre is (8, 8).
constexpr int MENU_IMAGE_SIZE = 16;

double RingDistance(double x, double y, double cx, double cy, double radius) {
    double const dx = x - cx, dy = y - cy;
    return std::fabs(std::sqrt(dx * dx + dy * dy) - radius);
}

// A circle open at the top, with a short vertical stroke through the opening.
bool OnPowerSymbol(double x, double y) {
    double const cx = 8.0, cy = 8.5, radius = 5.5, half_width = 0.95;
    double const angle = std::atan2(cy - y, x - cx) * 180.0 / PI;  // 90 = straight up
    bool const ring =
        RingDistance(x, y, cx, cy, radius) <= half_width && std::fabs(angle - 90.0) > 38.0;
    return ring || SegmentDistance(x, y, cx, 2.2, cx, 8.2) <= half_width;
}

// A thin circle with a small x at its centre.
bool OnCircledCross(double x, double y) {
    double const c = 8.0, arm = 2.3;
    return RingDistance(x, y, c, c, 6.2) <= 0.6 ||
           SegmentDistance(x, y, c - arm, c - arm, c + arm, c + arm) <= 0.7 ||
           SegmentDistance(x, y, c - arm, c + arm, c + arm, c - arm) <= 0.7;
}

template <bool (*Shape)(double, double)>
Rgba BlackStroke(int px, int py) {
    int covered = 0;
    for (int sy = 0; sy < SUPERSAMPLE; ++sy)
        for (int sx = 0; sx < SUPERSAMPLE; ++sx)
            if (Shape(px + (sx + 0.5) / SUPERSAMPLE, py + (sy + 0.5) / SUPERSAMPLE)) ++covered;
    return {0, 0, 0, covered / double(SUPERSAMPLE * SUPERSAMPLE)};
}

Rgba (*const MENU_IMAGES[])(int, int) = {BlackStroke<OnPowerSymbol>, BlackStroke<OnCircledCross>};

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
uint8_t Channel(double v) { return static_cast<uint8_t>(std::lround(v * 255.0)); }

// One-entry icon file: directory, entry, then a DIB of twice the height
// (colour rows, then the 1-bit AND mask), both bottom-up.
std::vector<uint8_t> IconFile(int size, Rgba (*pixel)(int, int)) {
    uint32_t const mask_stride = ((size + 31) / 32) * 4;
    uint32_t const image_bytes = 40 + size * size * 4 + mask_stride * size;
    std::vector<uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, 1);  // one entry
    out.push_back(static_cast<uint8_t>(size));
    out.push_back(static_cast<uint8_t>(size));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, image_bytes);
    Put32(out, 22);  // image offset
    Put32(out, 40);
    Put32(out, size);
    Put32(out, size * 2);
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);  // BI_RGB, sizes, resolutions, colours
    std::vector<uint8_t> mask(static_cast<size_t>(mask_stride) * static_cast<size_t>(size), 0);
    for (int row = size - 1; row >= 0; --row)
        for (int col = 0; col < size; ++col) {
            Rgba const p = pixel(col, row);
            out.push_back(Channel(p.b));
            out.push_back(Channel(p.g));
            out.push_back(Channel(p.r));
            out.push_back(Channel(p.a));
            if (Channel(p.a) == 0)
                mask[(size - 1 - row) * mask_stride + col / 8] |= 0x80 >> (col % 8);
        }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* const file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool const ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool WriteByteArray(const std::string& path, const char* name, const std::vector<uint8_t>& bytes) {
    std::string text = "// Written by generate_images; edit that program, not this file.\n";
    text += "#include \"resources/embedded_images.h\"\n\n";
    text +=
        "const unsigned char " + std::string(name) + "[" + std::to_string(bytes.size()) + "] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%s0x%02x,", i % 16 ? "" : "\n", bytes[i]);
        text += hex;
    }
    text += "\n};\n";
    return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Rows top-down, premultiplied, as AlphaBlend takes a source with its own alpha.
bool WriteMenuImages(const std::string& path) {
    std::string text = "// Written by generate_images; edit that program, not this file.\n";
    text += "#include \"resources/embedded_images.h\"\n\n";
    text += "const unsigned char MENU_IMAGE_PIXELS[MENU_IMAGE_COUNT][MENU_IMAGE_PIXEL_BYTES] = {";
    for (auto* const pixel : MENU_IMAGES) {
        text += "\n{";
        for (int row = 0; row < MENU_IMAGE_SIZE; ++row) {
            text += "\n";
            for (int col = 0; col < MENU_IMAGE_SIZE; ++col) {
                Rgba const p = pixel(col, row);
                uint8_t const bgra[4] = {Channel(p.b * p.a), Channel(p.g * p.a), Channel(p.r * p.a),
                                         Channel(p.a)};
                for (uint8_t v : bgra) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "0x%02x,", v);
                    text += hex;
                }
            }
        }
        text += "\n},";
    }
    text += "\n};\n";
    return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_images OUTPUT_DIRECTORY\n");
        return 2;
    }
    std::string const dir = argv[1];
    std::vector<uint8_t> const icon = IconFile(ICON_SIZE, ToolIconPixel);
    if (!WriteFile(dir + "/zena.ico", icon) ||
        !WriteByteArray(dir + "/tool_icon_bytes.cpp", "TOOL_ICON_FILE", icon) ||
        !WriteFile(dir + "/menu_image_0.ico", IconFile(MENU_IMAGE_SIZE, MENU_IMAGES[0])) ||
        !WriteFile(dir + "/menu_image_1.ico", IconFile(MENU_IMAGE_SIZE, MENU_IMAGES[1])) ||
        !WriteMenuImages(dir + "/menu_image_bytes.cpp")) {
        std::fprintf(stderr, "generate_images: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
