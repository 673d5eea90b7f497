// vmath: the engine's single-precision vector, quaternion, matrix and object-transform classes.
//
// Two conventions catch newcomers, and the rest of the engine depends on both:
//   - VECTOR::Cross works in place and yields b x a, not a x b (the camera builds its side axis
//     from it); VectorCross in quatlib.h is the ordinary order.
//   - MATRIX::FromQuat writes the row-major rotation of q, but OpenGL reads the array
//     column-major, so glMultMatrixf applies the conjugate rotation. Mesh rotations are defined
//     by exactly that transposed application. MATRIX::Multiply reads both operands column-major.
// uses: nothing of ours
#pragma once

class VECTOR {
public:
    VECTOR(float vx = 0.0f, float vy = 0.0f, float vz = 0.0f) : x(vx), y(vy), z(vz) {}

    void Zero();
    float Dot(VECTOR b) const;
    void Cross(VECTOR b); // this = b x this
    float Length() const; // an exact zero length reads as 1.0 so Normalize never divides by zero
    void Normalize();

    float x, y, z;
};

VECTOR operator*(float s, VECTOR v);
VECTOR operator*(VECTOR v, float s);
VECTOR operator+(VECTOR a, VECTOR b);
VECTOR operator-(VECTOR a, VECTOR b);

class QUAT {
public:
    QUAT(float qx = 0.0f, float qy = 0.0f, float qz = 0.0f, float qw = 1.0f) : x(qx), y(qy), z(qz), w(qw) {}

    void Identity();
    void Set(QUAT q);
    void FromAxisAngle(VECTOR axis, float angle); // radians; the axis is used as given
    void FromEuler(float a, float b, float c);    // radians about x, y, z
    float Norm() const;
    void Normalize();      // a zero quaternion divides by zero: callers never pass one
    void Multiply(QUAT q); // this = q * this
    void FromMatrix(const float m[16]);

    float x, y, z; // vector part
    float w;       // scalar part
};

class MATRIX {
public:
    MATRIX() { Identity(); }

    void Identity();
    void Copy(const float src[16]);
    void Multiply(const float b[16]); // this = this x b, both column-major
    void InvertRigid();               // transposed rotation, negated (unrotated) translation
    void FromAxisAngle(VECTOR axis, float angle);
    void FromQuat(QUAT q);

    float m[16];
};

class OBJECT3D {
public:
    // Pending fields start cleared (not left undefined) so a forgotten Reset cannot turn garbage.
    OBJECT3D() : orientation(0.0f, 0.0f, 0.0f, 1.0f), position(0.0f, 0.0f, 0.0f) {}

    void Reset(); // leaves scale alone
    void ApplyRotation();
    void ApplyMovement();
    void Move(float side, float up, float forward);
    VECTOR Forward() const;
    VECTOR Side() const;
    VECTOR Up() const;

    QUAT orientation;
    VECTOR position;
    float rotation[3] = {0.0f, 0.0f, 0.0f}; // pending turn about x, y, z, degrees; kept after ApplyRotation
    float movement[3] = {0.0f, 0.0f, 0.0f}; // pending move along side, up, forward; cleared by ApplyMovement
    float scale = 1.0f;                     // multiplies both pending rotation and movement
};
