#include "frame_probe.h"

#include <GL/gl.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

Frame readFrame(int width, int height)
{
    Frame frame;
    frame.width = width;
    frame.height = height;
    frame.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    return frame;
}

bool savePng(const Frame& frame, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, frame.width, frame.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(frame.width) * 3);
    for (int y = frame.height - 1; y >= 0; --y) {
        for (int x = 0; x < frame.width; ++x) {
            Pixel p = frame.at(x, y);
            row[x * 3] = static_cast<uint8_t>(p.r);
            row[x * 3 + 1] = static_cast<uint8_t>(p.g);
            row[x * 3 + 2] = static_cast<uint8_t>(p.b);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::string shotsDirectory()
{
    const char* dir = std::getenv("QUORVISH_SHOTS_DIR");
    return dir ? dir : "";
}

Matrix identityMatrix()
{
    Matrix r = {};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r = {};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            r.m[col * 4 + row] = sum;
        }
    return r;
}

Matrix translation(double x, double y, double z)
{
    Matrix r = identityMatrix();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix rotation(double degrees, double x, double y, double z)
{
    double len = std::sqrt(x * x + y * y + z * z);
    x /= len;
    y /= len;
    z /= len;
    double a = degrees * M_PI / 180.0;
    double c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    Matrix r = identityMatrix();
    r.m[0] = t * x * x + c;
    r.m[1] = t * x * y + s * z;
    r.m[2] = t * x * z - s * y;
    r.m[4] = t * x * y - s * z;
    r.m[5] = t * y * y + c;
    r.m[6] = t * y * z + s * x;
    r.m[8] = t * x * z + s * y;
    r.m[9] = t * y * z - s * x;
    r.m[10] = t * z * z + c;
    return r;
}

Matrix scaling(double x, double y, double z)
{
    Matrix r = identityMatrix();
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

Point3 transformPoint(const Matrix& m, Point3 p)
{
    return {m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12],
            m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13],
            m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]};
}

bool projectEyePoint(Point3 eye, double* wx, double* wy)
{
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double cx = projection[0] * eye.x + projection[4] * eye.y + projection[8] * eye.z + projection[12];
    double cy = projection[1] * eye.x + projection[5] * eye.y + projection[9] * eye.z + projection[13];
    double cw = projection[3] * eye.x + projection[7] * eye.y + projection[11] * eye.z + projection[15];
    if (cw <= 0.0)
        return false;
    *wx = viewport[0] + (cx / cw + 1.0) * 0.5 * viewport[2];
    *wy = viewport[1] + (cy / cw + 1.0) * 0.5 * viewport[3];
    return true;
}
