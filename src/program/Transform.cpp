// Transform's constructors and printing. Plain value code: runs on any thread. Every member is
// written through setRotation and setScale, the one place a value enters.
#include "Transform.h"

Transform::Transform() : Transform(0.0, 1.0, 1.0) {}

Transform::Transform(double rotation) : Transform(rotation, 1.0, 1.0) {}

Transform::Transform(double scaleX, double scaleY) : Transform(0.0, scaleX, scaleY) {}

Transform::Transform(double rotation, double scaleX, double scaleY) {
    setRotation(rotation);
    setScale(scaleX, scaleY);
}

void Transform::setRotation(double degrees) { rotation = degrees; }

void Transform::setScale(double x, double y) {
    setScaleX(x);
    setScaleY(y);
}

void Transform::setScaleX(double x) { scaleX = x; }

void Transform::setScaleY(double y) { scaleY = y; }

std::ostream& operator<<(std::ostream& out, const Transform& transform) {
    // Unlike the other values, a transform prints as a whole line.
    return out << "Transform(" << transform.getRotation() << ", " << transform.getScaleX() << ", "
               << transform.getScaleY() << ")" << std::endl;
}
