#pragma once
// Plane coordinate systems and the roto-translation that takes coordinates of one system into
// another.

// Affine map x' = m11 x + m12 y + dx, y' = m21 x + m22 y + dy.
struct ROTOTRAS {
    double m11 = 1.0;
    double m12 = 0.0;
    double m21 = 0.0;
    double m22 = 1.0;
    double dx = 0.0;
    double dy = 0.0;
    double angle = 0.0; // rotation part in degrees, counter-clockwise
    void Apply(double& x, double& y) const {
        const double nx = m11 * x + m12 * y + dx;
        const double ny = m21 * x + m22 * y + dy;
        x = nx;
        y = ny;
    }
};

class MCoordinateSystem {
public:
    // Origin and the directions of the x and y axes, in drawing coordinates.
    // (0, 0, 1, 0, 0, 1) is the drawing's own system.
    MCoordinateSystem(double originX, double originY, double xAxisX, double xAxisY, double yAxisX,
                      double yAxisY);

    // Fills rt with the map from coordinates in this system to coordinates in other.
    // Returns 0, or -1 (rt the identity) when other's axes are parallel or a value is not finite.
    int GetRotoTras(ROTOTRAS& rt, const MCoordinateSystem& other) const;

private:
    double ox_, oy_, ux_, uy_, vx_, vy_;
};
