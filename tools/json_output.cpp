#include "json_output.h"

#include <cmath>
#include <cstdio>

#include "commands.h"
#include "residual_analysis.h"

namespace quenvar_cli {

namespace {

const char* RecordType(int type) { return type == 1 ? "point" : type == 2 ? "pair" : "maxima"; }

std::string Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

void WriteJson(const Results& results, const std::string& path, const std::string& command,
               const std::vector<int>& left, const ClosureTable* closures) {
    const zrResultSummary& s = results.summary;
    const ResidualAnalysis analysis = AnalyseResiduals(results);
    std::string j = "{\n  \"format\": \"quenvar-results\",\n  \"version\": 1,\n";
    j += "  \"command\": " + JsonString(command) + ",\n";
    j += "  \"network\": {\"kind\": " + JsonString(results.Height() ? "height" : "plane") +
         ", \"design\": " + Bool(s.designMode != 0) + ", \"adjusted\": " + Bool(s.adjusted != 0) +
         ", \"angleMode\": " + Bool(s.angleMode != 0) + "},\n";
    j += "  \"apriori\": {\"directionSigma\": " + JsonNumber(s.dirSigma) +
         ", \"distanceSigmaConst\": " + JsonNumber(s.distSigmaConst) +
         ", \"distanceSigmaPpm\": " + JsonNumber(s.distSigmaPpm) + ", \"levelSigma\": " + JsonNumber(s.levelSigma) +
         ", \"trigHeightSigma\": " + JsonNumber(s.trigHeightSigma) + "},\n";
    j += "  \"unitWeight\": {\"unit\": " + JsonString(results.Height() ? "m" : "rad") +
         ", \"apriori\": " + JsonNumber(analysis.prior) + ", \"aposterioriPlane\": " + JsonNumber(s.planeSigma0) +
         ", \"aposterioriHeight\": " + JsonNumber(s.heightSigma0) + ", \"degreesOfFreedom\": " +
         (analysis.hasCofactors ? std::to_string(analysis.degreesOfFreedom) : "null") + ", \"globalTest\": " +
         (analysis.hasCofactors && analysis.degreesOfFreedom > 0
              ? "{\"value\": " + JsonNumber(analysis.testValue) + ", \"lower\": " + JsonNumber(analysis.lower) +
                    ", \"upper\": " + JsonNumber(analysis.upper) + ", \"accepted\": " + Bool(analysis.accepted) + "}"
              : "null") +
         "},\n";

    j += "  \"points\": [";
    for (int i = 1; size_t(i) < results.points.size(); ++i) {
        const zrPointResult& p = results.points[size_t(i)];
        const bool plane = p.hasPosition || p.planeClass == 1;  // a known point's coordinates as given
        j += i == 1 ? "\n" : ",\n";
        j += "    {\"index\": " + std::to_string(i) + ", \"name\": " + JsonString(results.Name(i)) +
             ", \"planeClass\": " + std::to_string(p.planeClass) + ", \"heightClass\": " + std::to_string(p.heightClass) +
             ", \"x\": " + (plane ? JsonNumber(p.x) : "null") + ", \"y\": " + (plane ? JsonNumber(p.y) : "null") +
             ", \"h\": " + (p.hasHeight || p.heightClass == 1 ? JsonNumber(p.h) : "null") +
             ", \"precisionRecord\": " +
             (i < int(results.pointRecord.size()) && results.pointRecord[size_t(i)] >= 0
                  ? std::to_string(results.pointRecord[size_t(i)])
                  : "null") +
             "}";
    }
    j += "\n  ],\n  \"observations\": [";
    std::vector<const ResidualRow*> byRow(results.observations.size(), nullptr);
    for (const ResidualRow& r : analysis.rows) byRow[size_t(r.row - results.observations.data())] = &r;
    for (size_t k = 0; k < results.observations.size(); ++k) {
        const ObservationRow& row = results.observations[k];
        const zrObservationResult& o = row.obs;
        const ResidualRow* r = byRow[k];
        j += k == 0 ? "\n" : ",\n";
        j += "    {\"index\": " + std::to_string(row.index) + ", \"station\": " + std::to_string(row.station) +
             ", \"target\": " + std::to_string(o.target) + ", \"kind\": " + JsonString(std::string(1, o.kind)) +
             ", \"class\": " + std::to_string(o.obsClass) + ", \"value\": " + JsonNumber(o.value) +
             ", \"adjusted\": " + Bool(o.adjusted != 0) + ", \"storedResidual\": " + JsonNumber(o.residual) +
             ", \"residual\": " + (r ? JsonNumber(r->residual) : "null") + ", \"weight\": " + JsonNumber(o.weight) +
             ", \"cofactor\": " + JsonNumber(o.cofactor) + ", \"redundancy\": " +
             (r ? JsonNumber(r->redundancy) : "null") + ", \"normalisedResidual\": " +
             (r ? JsonNumber(r->normalised) : "null") + "}";
    }
    j += "\n  ],\n  \"precision\": [";
    for (size_t k = 0; k < results.precision.size(); ++k) {
        const zrPrecisionRecord& r = results.precision[k];
        j += k == 0 ? "\n" : ",\n";
        j += "    {\"index\": " + std::to_string(k) + ", \"type\": " + JsonString(RecordType(r.type)) +
             ", \"p1\": " + std::to_string(r.p1) + ", \"p2\": " + std::to_string(r.p2) + ", \"a\": " + JsonNumber(r.a) +
             ", \"b\": " + JsonNumber(r.b) + ", \"c\": " + JsonNumber(r.c) + "}";
    }
    j += "\n  ],\n  \"leftOut\": [";
    for (size_t k = 0; k < left.size(); ++k) j += (k ? ", " : "") + JsonString(results.Name(left[k]));
    j += "]";
    if (closures) {
        j += ",\n  \"closures\": {\"caption\": " + JsonString(closures->caption) + ", \"heading\": " +
             JsonString(closures->heading) + ", \"standardError\": " + JsonString(closures->standardError) +
             ", \"loops\": [";
        for (size_t k = 0; k < closures->lines.size(); ++k) {
            j += (k ? ",\n" : "\n") + std::string("    {\"number\": ") + std::to_string(k + 1) +
                 ", \"line\": " + JsonString(closures->lines[k]) + ", \"details\": [";
            const std::vector<std::string>& details = closures->details.at(k);
            for (size_t d = 0; d < details.size(); ++d) j += (d ? ", " : "") + JsonString(details[d]);
            j += "]}";
        }
        j += "\n  ]}";
    }
    j += "\n}\n";

    const bool toStdout = path.empty() || path == "-";
    std::FILE* f = toStdout ? stdout : std::fopen(path.c_str(), "w");
    if (!f) throw Failure("cannot write the JSON results to '" + path + "'");
    bool ok = std::fwrite(j.data(), 1, j.size(), f) == j.size();
    ok = std::fflush(f) == 0 && ok;
    if (!toStdout) ok = std::fclose(f) == 0 && ok;
    if (!ok) throw Failure("could not write the whole JSON results to '" + path + "'");
}

}  // namespace quenvar_cli
