// Helpers of the rendering tests: the frame read back from GL, where points
// of the scene land in it (with the same matrices the views use), and PNG
// output for looking at a frame.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Pixel {
    int r, g, b;
    int max() const { return r > g ? (r > b ? r : b) : (g > b ? g : b); }
    bool lit() const { return r != 0 || g != 0 || b != 0; }
};

// A frame as glReadPixels gives it: row 0 is the bottom of the window.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Pixel at(int x, int y) const
    {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2]};
    }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

Frame readFrame(int width, int height);
// Writes the frame top row first; false if the file cannot be written.
bool savePng(const Frame& frame, const std::string& path);
// The directory named by QUORVISH_SHOTS_DIR, or "" when shots are not wanted.
std::string shotsDirectory();

// Column-major 4 x 4 matrices in double precision, built the way the GL
// matrix calls build them.
struct Matrix {
    double m[16];
};
Matrix identityMatrix();
Matrix multiply(const Matrix& a, const Matrix& b);
Matrix translation(double x, double y, double z);
Matrix rotation(double degrees, double x, double y, double z);
Matrix scaling(double x, double y, double z);

struct Point3 {
    double x, y, z;
};
Point3 transformPoint(const Matrix& m, Point3 p);

// Window coordinates (x right, y up from the bottom row) of an eye-space
// point under the current GL projection and viewport; false when it lies
// behind the viewer.
bool projectEyePoint(Point3 eye, double* wx, double* wy);
