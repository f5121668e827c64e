// Complex general eigenproblem.  The four steps follow the published
// algorithms of the Handbook for Automatic Computation (Wilkinson and
// Reinsch, vol. II) in their EISPACK form: cbal, corth, comqr2, cbabk2.
// Indexes run from 1 as in the published descriptions, so that each step
// can be read against them line by line.
#include "numeric/eigen.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace mirtex {
namespace {

using Mat = double**;

// sqrt(a² + b²) without destructive overflow or underflow.  The plain form
// is exact enough and several times faster than hypot() wherever the
// squares stay representable, which is everywhere in practice.
double pythag(double a, double b) {
    const double m = std::fmax(std::fabs(a), std::fabs(b));
    if (m > 1e-150 && m < 1e150) return std::sqrt(a * a + b * b);
    return std::hypot(a, b);
}

// (ar + j ai) / (br + j bi), scaled against overflow.
void cdiv(double ar, double ai, double br, double bi, double& cr, double& ci) {
    const double s = std::fabs(br) + std::fabs(bi);
    const double ars = ar / s, ais = ai / s, brs = br / s, bis = bi / s;
    const double d = brs * brs + bis * bis;
    cr = (ars * brs + ais * bis) / d;
    ci = (ais * brs - ars * bis) / d;
}

// Principal square root of xr + j xi.
void csroot(double xr, double xi, double& yr, double& yi) {
    const double tr = xr, ti = xi;
    double s = std::sqrt(0.5 * (pythag(tr, ti) + std::fabs(tr)));
    yr = 0.0;
    yi = 0.0;
    if (tr >= 0.0) yr = s;
    if (ti < 0.0) s = -s;
    if (tr <= 0.0) yi = s;
    if (tr < 0.0) yr = 0.5 * (ti / yi);
    if (tr > 0.0) yi = 0.5 * (ti / yr);
}

// Balancing: permutes rows and columns that isolate eigenvalues to the
// ends (scale[] records the permutation there) and scales the rest by
// powers of the radix 16 so that row and column norms become comparable.
void cbal(int n, Mat ar, Mat ai, int& low, int& igh, double* scale) {
    const double radix = 16.0, b2 = radix * radix;
    int k = 1, l = n;
    auto exchange = [&](int j, int m) {
        scale[m] = j;
        if (j == m) return;
        for (int i = 1; i <= l; ++i) {
            std::swap(ar[i][j], ar[i][m]);
            std::swap(ai[i][j], ai[i][m]);
        }
        for (int i = k; i <= n; ++i) {
            std::swap(ar[j][i], ar[m][i]);
            std::swap(ai[j][i], ai[m][i]);
        }
    };

    // Rows isolating an eigenvalue go to the bottom.
    for (bool found = true; found;) {
        found = false;
        for (int j = l; j >= 1; --j) {
            bool isolated = true;
            for (int i = 1; i <= l && isolated; ++i)
                if (i != j && (ar[j][i] != 0.0 || ai[j][i] != 0.0)) isolated = false;
            if (!isolated) continue;
            exchange(j, l);
            if (l == 1) {
                low = k;
                igh = l;
                return;
            }
            --l;
            found = true;
            break;
        }
    }
    // Columns isolating an eigenvalue go to the left.
    for (bool found = true; found;) {
        found = false;
        for (int j = k; j <= l; ++j) {
            bool isolated = true;
            for (int i = k; i <= l && isolated; ++i)
                if (i != j && (ar[i][j] != 0.0 || ai[i][j] != 0.0)) isolated = false;
            if (!isolated) continue;
            exchange(j, k);
            ++k;
            found = true;
            break;
        }
    }

    for (int i = k; i <= l; ++i) scale[i] = 1.0;
    for (bool noconv = true; noconv;) {
        noconv = false;
        for (int i = k; i <= l; ++i) {
            double c = 0.0, r = 0.0;
            for (int j = k; j <= l; ++j) {
                if (j == i) continue;
                c += std::fabs(ar[j][i]) + std::fabs(ai[j][i]);
                r += std::fabs(ar[i][j]) + std::fabs(ai[i][j]);
            }
            // An underflowed norm leaves the pair; so does an overflowed
            // one, whose scaling loops below would never end.
            if (c == 0.0 || r == 0.0 || !std::isfinite(c + r)) continue;
            double g = r / radix, f = 1.0;
            const double s = c + r;
            while (c < g) {
                f *= radix;
                c *= b2;
            }
            g = r * radix;
            while (c >= g) {
                f /= radix;
                c /= b2;
            }
            if ((c + r) / f >= 0.95 * s) continue;
            g = 1.0 / f;
            scale[i] *= f;
            noconv = true;
            for (int j = k; j <= n; ++j) {
                ar[i][j] *= g;
                ai[i][j] *= g;
            }
            for (int j = 1; j <= l; ++j) {
                ar[j][i] *= f;
                ai[j][i] *= f;
            }
        }
    }
    low = k;
    igh = l;
}

// Reduction of rows and columns low..igh to upper Hessenberg form by
// Householder reflections; their vectors stay below the subdiagonal and in
// ortr/orti for the accumulation.
void corth(int n, int low, int igh, Mat ar, Mat ai, double* ortr, double* orti) {
    const int la = igh - 1, kp1 = low + 1;
    for (int m = kp1; m <= la; ++m) {
        double h = 0.0, scale = 0.0;
        ortr[m] = 0.0;
        orti[m] = 0.0;
        for (int i = m; i <= igh; ++i) scale += std::fabs(ar[i][m - 1]) + std::fabs(ai[i][m - 1]);
        if (scale == 0.0) continue;
        for (int i = igh; i >= m; --i) {
            ortr[i] = ar[i][m - 1] / scale;
            orti[i] = ai[i][m - 1] / scale;
            h += ortr[i] * ortr[i] + orti[i] * orti[i];
        }
        double g = std::sqrt(h);
        const double f = pythag(ortr[m], orti[m]);
        if (f == 0.0) {
            ortr[m] = g;
            ar[m][m - 1] = scale;
        } else {
            h += f * g;
            g /= f;
            ortr[m] *= 1.0 + g;
            orti[m] *= 1.0 + g;
        }
        // (I - u u*/h) A
        for (int j = m; j <= n; ++j) {
            double fr = 0.0, fi = 0.0;
            for (int i = igh; i >= m; --i) {
                fr += ortr[i] * ar[i][j] + orti[i] * ai[i][j];
                fi += ortr[i] * ai[i][j] - orti[i] * ar[i][j];
            }
            fr /= h;
            fi /= h;
            for (int i = m; i <= igh; ++i) {
                ar[i][j] += -fr * ortr[i] + fi * orti[i];
                ai[i][j] += -fr * orti[i] - fi * ortr[i];
            }
        }
        // ... (I - u u*/h)
        for (int i = 1; i <= igh; ++i) {
            double fr = 0.0, fi = 0.0;
            for (int j = igh; j >= m; --j) {
                fr += ortr[j] * ar[i][j] - orti[j] * ai[i][j];
                fi += ortr[j] * ai[i][j] + orti[j] * ar[i][j];
            }
            fr /= h;
            fi /= h;
            for (int j = m; j <= igh; ++j) {
                ar[i][j] += -fr * ortr[j] - fi * orti[j];
                ai[i][j] += fr * orti[j] - fi * ortr[j];
            }
        }
        ortr[m] *= scale;
        orti[m] *= scale;
        ar[m][m - 1] *= -g;
        ai[m][m - 1] *= -g;
    }
}

// Shifted QR iteration on the Hessenberg matrix hr + j hi with the unitary
// transformations accumulated into zr + j zi, then back-substitution for the
// eigenvectors of the triangular form and their transformation back.
int comqr2(int n, int low, int igh, double* ortr, double* orti, Mat hr, Mat hi, double* wr, double* wi, Mat zr,
           Mat zi) {
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= n; ++i) zr[i][j] = zi[i][j] = 0.0;
        zr[j][j] = 1.0;
    }
    // The accumulated transformations of the reduction.
    const int iend = igh - low - 1;
    for (int ii = 1; ii <= iend; ++ii) {
        const int i = igh - ii;
        if (ortr[i] == 0.0 && orti[i] == 0.0) continue;
        if (hr[i][i - 1] == 0.0 && hi[i][i - 1] == 0.0) continue;
        const double norm = hr[i][i - 1] * ortr[i] + hi[i][i - 1] * orti[i];  // -h of the reduction
        for (int k = i + 1; k <= igh; ++k) {
            ortr[k] = hr[k][i - 1];
            orti[k] = hi[k][i - 1];
        }
        for (int j = i; j <= igh; ++j) {
            double sr = 0.0, si = 0.0;
            for (int k = i; k <= igh; ++k) {
                sr += ortr[k] * zr[k][j] + orti[k] * zi[k][j];
                si += ortr[k] * zi[k][j] - orti[k] * zr[k][j];
            }
            sr /= norm;
            si /= norm;
            for (int k = i; k <= igh; ++k) {
                zr[k][j] += sr * ortr[k] - si * orti[k];
                zi[k][j] += sr * orti[k] + si * ortr[k];
            }
        }
    }
    // Real subdiagonal elements.
    if (iend >= 0) {
        for (int i = low + 1; i <= igh; ++i) {
            const int ll = std::min(i + 1, igh);
            if (hi[i][i - 1] == 0.0) continue;
            const double norm = pythag(hr[i][i - 1], hi[i][i - 1]);
            const double yr = hr[i][i - 1] / norm, yi = hi[i][i - 1] / norm;
            hr[i][i - 1] = norm;
            hi[i][i - 1] = 0.0;
            for (int j = i; j <= n; ++j) {
                const double si = yr * hi[i][j] - yi * hr[i][j];
                hr[i][j] = yr * hr[i][j] + yi * hi[i][j];
                hi[i][j] = si;
            }
            for (int j = 1; j <= ll; ++j) {
                const double si = yr * hi[j][i] + yi * hr[j][i];
                hr[j][i] = yr * hr[j][i] - yi * hi[j][i];
                hi[j][i] = si;
            }
            for (int j = low; j <= igh; ++j) {
                const double si = yr * zi[j][i] + yi * zr[j][i];
                zr[j][i] = yr * zr[j][i] - yi * zi[j][i];
                zi[j][i] = si;
            }
        }
    }
    // Roots isolated by the balancing.
    for (int i = 1; i <= n; ++i) {
        if (i >= low && i <= igh) continue;
        wr[i] = hr[i][i];
        wi[i] = hi[i][i];
    }

    int en = igh, itn = 30 * n;
    double tr = 0.0, ti = 0.0;
    while (en >= low) {
        int its = 0;
        const int enm1 = en - 1;
        for (;;) {
            // A single small subdiagonal element splits the matrix.
            int l = en;
            for (; l > low; --l) {
                const double tst1 =
                    std::fabs(hr[l - 1][l - 1]) + std::fabs(hi[l - 1][l - 1]) + std::fabs(hr[l][l]) + std::fabs(hi[l][l]);
                if (tst1 + std::fabs(hr[l][l - 1]) == tst1) break;
            }
            if (l == en) break;  // a root found
            if (itn == 0) return en;

            double sr, si;
            if (its == 10 || its == 20) {
                // Exceptional shift, against cycling.
                sr = std::fabs(hr[en][enm1]) + (en - 2 >= 1 ? std::fabs(hr[enm1][en - 2]) : 0.0);
                si = 0.0;
            } else {
                sr = hr[en][en];
                si = hi[en][en];
                double xr = hr[enm1][en] * hr[en][enm1], xi = hi[enm1][en] * hr[en][enm1];
                if (xr != 0.0 || xi != 0.0) {
                    const double yr = (hr[enm1][enm1] - sr) / 2.0, yi = (hi[enm1][enm1] - si) / 2.0;
                    double zzr, zzi;
                    csroot(yr * yr - yi * yi + xr, 2.0 * yr * yi + xi, zzr, zzi);
                    if (yr * zzr + yi * zzi < 0.0) {
                        zzr = -zzr;
                        zzi = -zzi;
                    }
                    cdiv(xr, xi, yr + zzr, yi + zzi, xr, xi);
                    sr -= xr;
                    si -= xi;
                }
            }
            for (int i = low; i <= en; ++i) {
                hr[i][i] -= sr;
                hi[i][i] -= si;
            }
            tr += sr;
            ti += si;
            ++its;
            --itn;

            // Reduce to triangle (rows).
            const int lp1 = l + 1;
            for (int i = lp1; i <= en; ++i) {
                const double s = hr[i][i - 1];
                hr[i][i - 1] = 0.0;
                const double norm = pythag(pythag(hr[i - 1][i - 1], hi[i - 1][i - 1]), s);
                const double xr = hr[i - 1][i - 1] / norm, xi = hi[i - 1][i - 1] / norm;
                wr[i - 1] = xr;
                wi[i - 1] = xi;
                hr[i - 1][i - 1] = norm;
                hi[i - 1][i - 1] = 0.0;
                hi[i][i - 1] = s / norm;
                for (int j = i; j <= n; ++j) {
                    const double yr = hr[i - 1][j], yi = hi[i - 1][j], zzr = hr[i][j], zzi = hi[i][j];
                    hr[i - 1][j] = xr * yr + xi * yi + hi[i][i - 1] * zzr;
                    hi[i - 1][j] = xr * yi - xi * yr + hi[i][i - 1] * zzi;
                    hr[i][j] = xr * zzr - xi * zzi - hi[i][i - 1] * yr;
                    hi[i][j] = xr * zzi + xi * zzr - hi[i][i - 1] * yi;
                }
            }
            si = hi[en][en];
            if (si != 0.0) {
                const double norm = pythag(hr[en][en], si);
                sr = hr[en][en] / norm;
                si /= norm;
                hr[en][en] = norm;
                hi[en][en] = 0.0;
                for (int j = en + 1; j <= n; ++j) {
                    const double yr = hr[en][j], yi = hi[en][j];
                    hr[en][j] = sr * yr + si * yi;
                    hi[en][j] = sr * yi - si * yr;
                }
            }
            // Inverse operation (columns).
            for (int j = lp1; j <= en; ++j) {
                const double xr = wr[j - 1], xi = wi[j - 1];
                for (int i = 1; i <= j; ++i) {
                    const double yr = hr[i][j - 1], zzr = hr[i][j], zzi = hi[i][j];
                    double yi = 0.0;
                    if (i != j) {
                        yi = hi[i][j - 1];
                        hi[i][j - 1] = xr * yi + xi * yr + hi[j][j - 1] * zzi;
                    }
                    hr[i][j - 1] = xr * yr - xi * yi + hi[j][j - 1] * zzr;
                    hr[i][j] = xr * zzr + xi * zzi - hi[j][j - 1] * yr;
                    hi[i][j] = xr * zzi - xi * zzr - hi[j][j - 1] * yi;
                }
                for (int i = low; i <= igh; ++i) {
                    const double yr = zr[i][j - 1], yi = zi[i][j - 1], zzr = zr[i][j], zzi = zi[i][j];
                    zr[i][j - 1] = xr * yr - xi * yi + hi[j][j - 1] * zzr;
                    zi[i][j - 1] = xr * yi + xi * yr + hi[j][j - 1] * zzi;
                    zr[i][j] = xr * zzr + xi * zzi - hi[j][j - 1] * yr;
                    zi[i][j] = xr * zzi - xi * zzr - hi[j][j - 1] * yi;
                }
            }
            if (si != 0.0) {
                for (int i = 1; i <= en; ++i) {
                    const double yr = hr[i][en], yi = hi[i][en];
                    hr[i][en] = sr * yr - si * yi;
                    hi[i][en] = sr * yi + si * yr;
                }
                for (int i = low; i <= igh; ++i) {
                    const double yr = zr[i][en], yi = zi[i][en];
                    zr[i][en] = sr * yr - si * yi;
                    zi[i][en] = sr * yi + si * yr;
                }
            }
        }
        hr[en][en] += tr;
        wr[en] = hr[en][en];
        hi[en][en] += ti;
        wi[en] = hi[en][en];
        en = enm1;
    }

    // Back-substitution for the eigenvectors of the triangular form.
    double norm = 0.0;
    for (int i = 1; i <= n; ++i)
        for (int j = i; j <= n; ++j) norm = std::max(norm, std::fabs(hr[i][j]) + std::fabs(hi[i][j]));
    if (n == 1 || norm == 0.0) return 0;
    for (en = n; en >= 2; --en) {
        const double xr = wr[en], xi = wi[en];
        hr[en][en] = 1.0;
        hi[en][en] = 0.0;
        for (int i = en - 1; i >= 1; --i) {
            double zzr = 0.0, zzi = 0.0;
            for (int j = i + 1; j <= en; ++j) {
                zzr += hr[i][j] * hr[j][en] - hi[i][j] * hi[j][en];
                zzi += hr[i][j] * hi[j][en] + hi[i][j] * hr[j][en];
            }
            double yr = xr - wr[i], yi = xi - wi[i];
            if (yr == 0.0 && yi == 0.0) {
                // A repeated root: perturb by the smallest amount the norm
                // still notices.
                yr = norm;
                do yr *= 0.01;
                while (norm + yr > norm);
            }
            cdiv(zzr, zzi, yr, yi, hr[i][en], hi[i][en]);
            // Overflow control.
            const double t = std::fabs(hr[i][en]) + std::fabs(hi[i][en]);
            if (t == 0.0 || t + 1.0 / t > t) continue;
            for (int j = i; j <= en; ++j) {
                hr[j][en] /= t;
                hi[j][en] /= t;
            }
        }
    }
    // Vectors of the isolated roots.
    for (int i = 1; i <= n; ++i) {
        if (i >= low && i <= igh) continue;
        for (int j = i; j <= n; ++j) {
            zr[i][j] = hr[i][j];
            zi[i][j] = hi[i][j];
        }
    }
    // Multiply by the transformation matrix.
    for (int j = n; j >= low; --j) {
        const int m = std::min(j, igh);
        for (int i = low; i <= igh; ++i) {
            double zzr = 0.0, zzi = 0.0;
            for (int k = low; k <= m; ++k) {
                zzr += zr[i][k] * hr[k][j] - zi[i][k] * hi[k][j];
                zzi += zr[i][k] * hi[k][j] + zi[i][k] * hr[k][j];
            }
            zr[i][j] = zzr;
            zi[i][j] = zzi;
        }
    }
    return 0;
}

// Undo the balancing on the eigenvectors: the scaling, then the
// permutation of the isolated rows.
void cbabk2(int n, int low, int igh, const double* scale, Mat zr, Mat zi) {
    if (igh != low)
        for (int i = low; i <= igh; ++i)
            for (int j = 1; j <= n; ++j) {
                zr[i][j] *= scale[i];
                zi[i][j] *= scale[i];
            }
    for (int ii = 1; ii <= n; ++ii) {
        int i = ii;
        if (i >= low && i <= igh) continue;
        if (i < low) i = low - ii;
        const int k = static_cast<int>(scale[i]);
        if (k == i) continue;
        for (int j = 1; j <= n; ++j) {
            std::swap(zr[i][j], zr[k][j]);
            std::swap(zi[i][j], zi[k][j]);
        }
    }
}

}  // namespace

int complex_eigen(int n, double** ar, double** ai, double* wr, double* wi, bool vectors, double** zr, double** zi) {
    if (n < 1) return 0;
    // Three work vectors of n + 1; on the stack for the sizes the library
    // meets (up to ten coupled conductors), so that the evaluation at every
    // frequency allocates nothing.
    constexpr int kSmall = 16;
    double small[3 * (kSmall + 1)];
    std::vector<double> large;
    if (n > kSmall) large.resize(3 * static_cast<std::size_t>(n + 1));
    double* scale = n > kSmall ? large.data() : small;
    double* ortr = scale + n + 1;
    double* orti = ortr + n + 1;
    int low = 1, igh = n;
    cbal(n, ar, ai, low, igh, scale);
    corth(n, low, igh, ar, ai, ortr, orti);
    // The eigenvalues alone come from the same iteration; the vectors are
    // then scratch of the caller's.
    std::vector<double> zbuf;
    std::vector<double*> zrow;
    if (!vectors) {
        zbuf.assign(2 * static_cast<std::size_t>(n) * n, 0.0);
        zrow.resize(2 * static_cast<std::size_t>(n + 1));
        for (int i = 1; i <= n; ++i) {
            zrow[i] = zbuf.data() + (i - 1) * n - 1;
            zrow[n + 1 + i] = zbuf.data() + static_cast<std::size_t>(n) * n + (i - 1) * n - 1;
        }
        zr = zrow.data();
        zi = zrow.data() + n + 1;
    }
    const int ierr = comqr2(n, low, igh, ortr, orti, ar, ai, wr, wi, zr, zi);
    if (ierr == 0 && vectors) cbabk2(n, low, igh, scale, zr, zi);
    return ierr;
}

}  // namespace mirtex

extern "C" MIRTEX_API void CG(int n, d2* ar, d2* ai, d1* wr, d1* wi, int matz, d2* zr, d2* zi, int* ierr) {
    using mirtex::access;
    int status = 0;
    try {
        status = mirtex::complex_eigen(n, access(ar), access(ai), access(wr), access(wi), matz != 0,
                                       matz != 0 ? access(zr) : nullptr, matz != 0 ? access(zi) : nullptr);
    } catch (const std::bad_alloc&) {
        status = n;  // no work space: nothing is valid
    }
    if (ierr != nullptr) *ierr = status;
}
