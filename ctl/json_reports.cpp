// The JSON of check, diff and bench: what they find, as against what the chip holds (json_output.cpp).
#include "json_output.h"

#include "bench.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "json_text.h"
#include "profile.h"
#include "profile_commands.h"
#include "tune.h"

#include <algorithm>
#include <cmath>

namespace {

Json Line(int line) { return line ? Json(line) : Json(nullptr); }

// A value in the words of get and of set; no word for a value without a name.
Json ValueIn(const Field& field, uint32_t dword)
{
    const bool named = HasValueName(field, dword);
    return Json{{"value", FieldValueText(field, dword)},
                {"word", named ? Json(ValueWord(field, FieldState(field, dword))) : Json(nullptr)}};
}

// A figure as the text prints it: to a tenth.
double Tenths(double value) { return std::round(value * 10) / 10; }

}  // namespace

void CheckJson(const Profile& profile, const std::vector<ProfileProblem>& problems, std::ostream& out)
{
    Json json = JsonHead("check");
    json["profile"] = profile.source;
    json["valid"] = problems.empty();
    json["settings"] = profile.settings.size();
    json["problems"] = Json::array();
    for (const ProfileProblem& problem : problems)
        json["problems"].push_back(Json{{"line", Line(problem.line)}, {"message", problem.text}});
    const ProfileRisks risks = RisksOf(profile);
    json["warnings"] = Json::array();
    for (size_t i : risks.warned) {
        const FieldSetting& setting = profile.settings[i];
        json["warnings"].push_back(Json{{"line", profile.lines[i]},
                                        {"key", FieldKey(*setting.field)},
                                        {"word", ValueWord(*setting.field, setting.state)},
                                        {"warning", RiskWarning(*setting.field, setting.state)}});
    }
    json["warned_on_change"] = risks.onChange;
    PrintJson(json, out);
}

void DiffJson(const Profile& profile, const std::vector<ProfileDifference>& differences, std::ostream& out)
{
    Json json = JsonHead("diff");
    json["profile"] = profile.source;
    json["matches"] = differences.empty();
    json["settings"] = profile.settings.size();
    json["differences"] = Json::array();
    for (const ProfileDifference& difference : differences) {
        const Field& field = *difference.wanted.field;
        const int state = difference.wanted.state;
        json["differences"].push_back(Json{{"key", FieldKey(field)},
                                           {"line", difference.line},
                                           {"chip", ValueIn(field, difference.dword)},
                                           {"profile", Json{{"value", StateText(field, state)},
                                                            {"word", ValueWord(field, state)}}}});
    }
    PrintJson(json, out);
}

void BenchJson(const BenchResult& result, const CacheInfo& caches, int rounds, std::ostream& out)
{
    size_t largest = 0;
    for (size_t size : caches.sizes)
        largest = std::max(largest, size);
    Json json = JsonHead("bench");
    json["buffer_bytes"] = result.bufferBytes;
    json["largest_cache_bytes"] = largest ? Json(largest) : Json(nullptr);
    json["capped"] = 4 * uint64_t(largest) > result.bufferBytes;
    json["rounds"] = rounds;
    json["figures"] = Json::array();
    for (const BenchFigure& figure : result.figures) {
        Json each = Json::array(), busy = Json::array();
        for (size_t round = 0; round < figure.rounds.size(); ++round) {
            each.push_back(Tenths(figure.rounds[round]));
            if (round < figure.cpuShares.size() && figure.cpuShares[round] < BusyShare)
                busy.push_back(round + 1);
        }
        const auto [low, high] = std::minmax_element(figure.rounds.begin(), figure.rounds.end());
        json["figures"].push_back(Json{{"name", figure.name},
                                       {"unit", figure.unit},
                                       {"median", Tenths(figure.Median())},
                                       {"low", low == figure.rounds.end() ? 0.0 : Tenths(*low)},
                                       {"high", high == figure.rounds.end() ? 0.0 : Tenths(*high)},
                                       {"rounds", each},
                                       {"busy_rounds", busy}});
    }
    PrintJson(json, out);
}

void TuneJson(const TuneRun& run, const std::string& profile, std::ostream& out)
{
    static const char* const figureNames[] = {"read", "write", "copy", "latency"};
    Json json = JsonHead("tune");
    json["recorded"] = run.recorded.empty() ? Json(nullptr) : Json(run.recorded);
    json["steps"] = Json::array();
    for (const TuneStep& step : run.steps) {
        Json change = nullptr;
        if (!step.change.empty()) {
            change = Json::object();
            for (size_t i = 0; i < step.change.size() && i < 4; ++i)
                change[figureNames[i]] = Tenths(step.change[i]);
        }
        json["steps"].push_back(Json{{"key", FieldKey(*step.to.field)},
                                     {"from", ValueWord(*step.from.field, step.from.state)},
                                     {"to", ValueWord(*step.to.field, step.to.state)},
                                     {"result", StepResultText(step.result)},
                                     {"errors", step.errors},
                                     {"change", change}});
    }
    json["kept"] = Json::array();
    for (const FieldSetting& kept : run.kept)
        json["kept"].push_back(Json{{"key", FieldKey(*kept.field)}, {"to", ValueWord(*kept.field, kept.state)}});
    json["interrupted"] = run.interrupted;
    json["out_of_time"] = run.outOfTime;
    json["profile"] = profile.empty() ? Json(nullptr) : Json(profile);
    PrintJson(json, out);
}
