#include "adjust/design_steps.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>

#include "adjust/jacobi_eigen.h"
#include "adjust/observation_rows.h"
#include "netdb/file_handle.h"

namespace quenvar {
namespace {

// Reads n and s0 of a file of the analysis; false when it is short.
bool ReadHeader(std::FILE* f, int& n, float& s0) {
    unsigned char header[DesignHeaderBytes];
    if (!ReadBytes(f, header, sizeof header)) return false;
    n = GetInt16(header);
    s0 = GetFloat(header + 2);
    return true;
}

// Reads the packed triangle of order n row by row, handing each element to put(i, j, q).
template <typename Put>
bool ReadTriangle(std::FILE* f, int n, Put put) {
    std::vector<unsigned char> row(size_t(n) * 4);
    for (int i = 1; i <= n; ++i) {
        if (!ReadBytes(f, row.data(), size_t(i) * 4)) return false;
        for (int j = 1; j <= i; ++j) put(i, j, GetFloat(&row[size_t(j - 1) * 4]));
    }
    return true;
}

class DesignRatings final : public CofactorSink {
public:
    DesignRatings(Network& net, const NormalMatrix& q, int n, std::vector<float> direction, FileHandle file)
        : net_(net), q_(q), n_(n), e_(std::move(direction)), file_(std::move(file)),
          s_(PriorSigma(net)), x_(size_t(n) + 1, 0.0) {}

    void Rated(int obs, const WorkRow& row, double p, double c) override {
        // x = -Q a over the few nonzero places of the row.
        std::fill(x_.begin(), x_.end(), 0.0);
        double ae = 0.0;
        for (const int j : row.Places()) {
            if (j > n_) continue;
            const double aj = row.Value(j);
            ae += aj * double(e_[size_t(j)]);
            for (int i = 1; i <= n_; ++i) x_[size_t(i)] -= q_.At(i, j) * aj;
        }
        double xx = 0.0;
        for (int i = 1; i <= n_; ++i) xx += x_[size_t(i)] * x_[size_t(i)];
        const double lambda = e_[size_t(n_) + 1];
        const double quotient = xx / (1.0 / p + c);
        const auto g = float(s_ * std::sqrt(quotient > 0.0 ? quotient : 0.0));
        const auto h = float(std::fabs(std::sqrt(p * 0.5) * ae) * lambda * s_);
        net_.Obs(obs).residual = h;
        std::vector<unsigned char> record;
        PutInt16(record, int16_t(obs));
        PutFloat(record, g);
        PutFloat(record, h);
        WriteBytes(file_.get(), record);
    }

private:
    Network& net_;
    const NormalMatrix& q_;
    int n_;
    std::vector<float> e_;  // e[1..n], lambda at n + 1
    FileHandle file_;
    double s_;
    std::vector<double> x_;
};

}  // namespace

int WriteDesignMatrix(const Network& net, const NormalMatrix& q, int n, const DesignFiles& files) {
    FileHandle f = OpenFile(files.MatrixPath(), "wb");
    if (!f) return 0;
    std::vector<unsigned char> bytes;
    PutInt16(bytes, int16_t(n));
    PutFloat(bytes, PriorSigma(net));
    bool ok = WriteBytes(f.get(), bytes);
    for (int i = 1; ok && i <= n; ++i) {
        bytes.clear();
        const double* row = q.Row(i);
        for (int j = 0; j < i; ++j) PutFloat(bytes, float(row[j]));
        ok = WriteBytes(f.get(), bytes);
    }
    ok = std::fclose(f.release()) == 0 && ok;
    return ok ? 98 : 0;
}

int ReadDesignMatrix(NormalMatrix& q, int n, const DesignFiles& files) {
    FileHandle f = OpenFile(files.MatrixPath(), "rb");
    int stored = 0;
    float s0 = 0.0f;
    if (!f || !ReadHeader(f.get(), stored, s0) || stored != n) return 0;
    return ReadTriangle(f.get(), n, [&q](int i, int j, float v) { q.At(i, j) = v; }) ? 1 : 0;
}

int FindWeakestDirection(const DesignFiles& files, AllocationGate gate) {
    FileHandle in = OpenFile(files.MatrixPath(), "rb");
    int n = 0;
    float s0 = 0.0f;
    if (!in || !ReadHeader(in.get(), n, s0) || n < 2) return 0;
    // A short file is refused before the matrices of its order are allocated.
    std::error_code error;
    const auto size = std::filesystem::file_size(files.MatrixPath(), error);
    if (error || size < DesignHeaderBytes + 4 * PackedSize(n)) return 0;
    FloatMatrix a, v;
    std::vector<float> d;
    try {
        d.assign(size_t(n) + 1, 0.0f);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const size_t matrixBytes = size_t(n) * size_t(n) * sizeof(float);
    if (!AllocationAllowed(gate, matrixBytes) || !a.Allocate(n) || !AllocationAllowed(gate, matrixBytes) ||
        !v.Allocate(n))
        return 0;
    const bool read = ReadTriangle(in.get(), n, [&a, s0](int i, int j, float q) { a(i, j) = a(j, i) = s0 * q; });
    in.reset();
    if (!read || JacobiEigen(a, v, d) == 0) return 0;
    int k = 0;
    for (int i = 1; i <= n; ++i)
        if (d[size_t(i)] > 0.0f && (k == 0 || d[size_t(i)] > d[size_t(k)])) k = i;
    if (k == 0) return 0;
    FileHandle out = OpenFile(files.DirectionPath(), "wb");
    if (!out) return 0;
    std::vector<unsigned char> bytes;
    PutInt16(bytes, int16_t(n));
    PutFloat(bytes, s0);
    PutFloat(bytes, d[size_t(k)] / s0);
    for (int i = 1; i <= n; ++i) PutFloat(bytes, v(k, i));
    const bool written = WriteBytes(out.get(), bytes);
    return std::fclose(out.release()) == 0 && written ? 1 : 0;
}

int ReadWeakestDirection(std::vector<float>& buffer, int n, const DesignFiles& files) {
    FileHandle f = OpenFile(files.DirectionPath(), "rb");
    int stored = 0;
    float s0 = 0.0f;
    if (!f || !ReadHeader(f.get(), stored, s0) || stored != n) return 0;
    std::vector<unsigned char> bytes(4 * (size_t(n) + 1));
    if (!ReadBytes(f.get(), bytes.data(), bytes.size())) return 0;
    buffer.assign(size_t(n) + 2, 0.0f);
    buffer[size_t(n) + 1] = GetFloat(bytes.data());  // lambda
    for (int i = 1; i <= n; ++i) buffer[size_t(i)] = GetFloat(&bytes[size_t(i) * 4]);
    return 1;
}

std::unique_ptr<CofactorSink> OpenDesignRatings(Network& net, const NormalMatrix& q, int n, const DesignFiles& files) {
    std::vector<float> direction;
    if (ReadWeakestDirection(direction, n, files) == 0) return nullptr;
    FileHandle out = OpenFile(files.RatingsPath(), "wb");
    if (!out) return nullptr;
    return std::make_unique<DesignRatings>(net, q, n, std::move(direction), std::move(out));
}

}  // namespace quenvar
