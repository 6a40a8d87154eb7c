// The 4x4 matrix builders of the 3-D draw set-up: identity, product, perspective,
// orthographic and look-at. Relies on ReadScreenSize for the default aspect of the
// perspective builder.
#include "engine/graphics/draw/matrix_builders.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "engine/graphics/screen/screen_state.h"

namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Vector3 Cross(const Vector3& a, const Vector3& b) {
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 Normalised(const Vector3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return Vector3{v.x / length, v.y / length, v.z / length};
}

}  // namespace

int SetIdentityMatrix(float matrix[16]) {
    std::memcpy(matrix, kIdentity, sizeof(kIdentity));
    return 0;
}

int MultiplyMatrix4(float out[16], const float a[16], const float b[16]) {
    if (out == nullptr) return 0;
    float product[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[i * 4 + k] * b[k * 4 + j];
            product[i * 4 + j] = sum;
        }
    }
    std::memcpy(out, product, sizeof(product));
    return 0;
}

int MakePerspectiveMatrix(float matrix[16], float field_of_view, float near_plane, float far_plane, float aspect) {
    if (aspect < 0.0f) {
        int width = 0;
        int height = 0;
        ReadScreenSize(&width, &height);
        aspect = static_cast<float>(height) / static_cast<float>(width);
    }
    const float s = std::sin(field_of_view / 2.0f);
    const float c = std::cos(field_of_view / 2.0f);
    if (std::fabs(far_plane - near_plane) < 0.01f || std::fabs(s) < 0.01f) return -1;
    const float h = c / s;
    const float w = aspect * h;
    const float q = far_plane / (far_plane - near_plane);
    std::memset(matrix, 0, 16 * sizeof(float));
    matrix[0] = w;
    matrix[5] = h;
    matrix[10] = q;
    matrix[11] = 1.0f;
    matrix[14] = -q * near_plane;
    matrix[15] = 0.0f;
    return 0;
}

int MakeOrthoMatrix(float matrix[16], float x_offset, float y_offset, float x_scale, float y_scale) {
    std::memset(matrix, 0, 16 * sizeof(float));
    matrix[0] = x_scale * 0.5f;
    matrix[5] = y_scale * -0.5f;
    matrix[10] = 1.0f;
    matrix[12] = x_offset;
    matrix[13] = y_offset;
    matrix[14] = 0.0f;
    matrix[15] = 1.0f;
    return 0;
}

int MakeLookAtMatrix(float matrix[16], const Vector3* eye, const Vector3* target, const Vector3* up) {
    const Vector3 d{target->x - eye->x, target->y - eye->y, target->z - eye->z};
    const Vector3 r_raw = Cross(*up, d);
    const Vector3 u = Normalised(Cross(d, r_raw));
    const Vector3 r = Normalised(r_raw);
    const Vector3 f = Normalised(d);
    const float rows[16] = {r.x, u.x, f.x, 0.0f,  //
                            r.y, u.y, f.y, 0.0f,  //
                            r.z, u.z, f.z, 0.0f,  //
                            static_cast<float>(-DotVector3(&r, eye)), static_cast<float>(-DotVector3(&u, eye)),
                            static_cast<float>(-DotVector3(&f, eye)), 1.0f};
    std::memcpy(matrix, rows, sizeof(rows));
    return 0;
}

double DotVector3(const Vector3* a, const Vector3* b) {
    return static_cast<double>(a->x) * b->x + static_cast<double>(a->y) * b->y + static_cast<double>(a->z) * b->z;
}
