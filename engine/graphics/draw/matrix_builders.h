// The 4x4 matrix builders of the 3-D draw set-up (row vectors multiplied on the left,
// translation in row 3): plain functions over float arrays; the perspective builder
// reads the screen size.
#pragma once

struct Vector3 {
    float x;
    float y;
    float z;
};

int SetIdentityMatrix(float matrix[16]);
// out = a x b, computed through a temporary so out may be a or b; null out does nothing.
int MultiplyMatrix4(float out[16], const float a[16], const float b[16]);
// Left-handed perspective; an aspect below 0 takes the screen's height / width. -1 (the
// matrix untouched) when far and near are within 0.01 or sin(fov / 2) is within 0.01 of 0.
int MakePerspectiveMatrix(float matrix[16], float field_of_view, float near_plane, float far_plane, float aspect);
int MakeOrthoMatrix(float matrix[16], float x_offset, float y_offset, float x_scale, float y_scale);
int MakeLookAtMatrix(float matrix[16], const Vector3* eye, const Vector3* target, const Vector3* up);
double DotVector3(const Vector3* a, const Vector3* b);
