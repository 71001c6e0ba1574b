#pragma once
// A plausible blade head, vice set and section shared by the blade-cut tests.
#include "engine/blade_geometry.h"

inline BladeHead TestHead() {
    BladeHead h;
    h.DIAM_LAMA = 500000;
    h.SPESS_LAMA = 4000;
    h.OFF_X_LAMA = 2000;
    h.OFF_Y_LAMA = 1500;
    h.DIAM_FLANGIA_LAMA = 120000;
    h.SPESS_FLANGIA_LAMA = 15000;
    h.DIAM_DADO_LAMA = 60000;
    h.SPESS_DADO_LAMA = 10000;
    h.L_BRACCIO = 200000;
    h.H_BRACCIO = 100000;
    h.ING_Y_BRACCIO = 80000;
    h.L_MOTOR = 300000;
    h.H_MOTOR = 150000;
    h.ING_Y_MOTOR = 200000;
    h.DIST_LAMA = 1000000;
    h.X_PAR_MIN = 100000;
    h.X_PAR_MAX = 4000000;
    h.Q_MIN_LAMA = -45000;
    h.Q_MAX_LAMA = 225000;
    h.X_MIN_MORSA = -3000000;
    h.X_MAX_MORSA = 3000000;
    h.DELTA_L_MORSE_CL = 20000;
    h.L_MORSA = 150000;
    h.DELTA_H_MORSE_CL = 30000;
    h.DIST_MORSE_LAMA = 50000;
    h.DIST_MORSE34 = 300000;
    h.DELTA_X_SUPPORTO_34 = 0;
    h.SPESS_ESTRATT = 10000;
    h.DELTA_X_ING_ALTO = 500000;
    h.DELTA_X_SUPPORTO_B = 100000;
    h.DELTA_IMMORS_B = 20000;
    return h;
}

inline BladeSection TestSection() {
    BladeSection s;
    s.yMin = 0;
    s.yMax = 100000;
    s.zMin = 0;
    s.zMax = 80000;
    return s;
}

// A one-vertex cut at angle A whose blade centre stands at height z.
inline BladeCut OneVertexCut(int32_t A, int32_t z = 330000) {
    BladeCut c;
    c.A = A;
    c.vertexCount = 1;
    c.X[0] = 500000;
    c.Y[0] = 50000;
    c.Z[0] = z;
    return c;
}
