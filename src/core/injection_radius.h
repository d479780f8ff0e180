#pragma once

// LATERAL_RANGE becomes nm clamped to its range; the injection radius in force follows nm itself
// (injectionRadiusNm = nm, injectionRadiusMetres = nm x 1852 + 10000).
void gf_setInjectionRadius(int nm);
// nm x 1852 + 10000, held to the 32-bit range.
int gf_injectionRadiusMetres(int nm);
