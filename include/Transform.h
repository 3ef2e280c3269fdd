// Transform: the rotation and scale applied around the position of drawn text and images.
// A plain value type; it crosses to the renderer as fixed-point integers scaled by SCALE.
#pragma once

#include <ostream>

class Transform {
public:
    Transform();
    // A rotation in degrees; positive turns clockwise on screen.
    explicit Transform(double rotation);
    // Two scale factors, no rotation.
    Transform(double scaleX, double scaleY);
    Transform(double rotation, double scaleX, double scaleY);

    void setRotation(double degrees);
    void setScale(double x, double y);
    void setScaleX(double x);
    void setScaleY(double y);

    double getRotation() const { return rotation; }
    double getScaleX() const { return scaleX; }
    double getScaleY() const { return scaleY; }

    // The fixed-point factor of the trip through a command: four decimal places survive.
    static constexpr double SCALE = 10000.0;

private:
    double scaleX;
    double scaleY;
    double rotation;
};

// Writes Transform(rotation, scaleX, scaleY) and ends the line.
std::ostream& operator<<(std::ostream& out, const Transform& transform);
