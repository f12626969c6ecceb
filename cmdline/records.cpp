#include "cmdline/records.h"

#include <csv.h>

#include <nlohmann/json.hpp>

namespace krcmd {

namespace {

// One quoted field; libcsv doubles the quotes inside it.
void AppendCsvText(std::string& out, const std::string& text) {
    const std::size_t needed = csv_write(nullptr, 0, text.data(), text.size());
    const std::size_t start = out.size();
    out.resize(start + needed);
    csv_write(out.data() + start, needed, text.data(), text.size());
}

}  // namespace

std::string RecordsCsv(const std::vector<ConnectionRecord>& records) {
    std::string out = "server,volumePath,path,connection,user,action,result\r\n";
    for (const ConnectionRecord& r : records) {
        AppendCsvText(out, r.server);
        out += ',';
        AppendCsvText(out, r.volumePath);
        out += ',';
        AppendCsvText(out, r.path);
        out += ',' + std::to_string(r.connection) + ',';
        AppendCsvText(out, r.user);
        out += ',';
        AppendCsvText(out, r.action);
        out += ',';
        if (r.result) out += std::to_string(*r.result);
        out += "\r\n";
    }
    return out;
}

std::string RecordsJson(const std::vector<ConnectionRecord>& records) {
    nlohmann::ordered_json document = nlohmann::ordered_json::array();
    for (const ConnectionRecord& r : records) {
        document.push_back({{"server", r.server},
                            {"volumePath", r.volumePath},
                            {"path", r.path},
                            {"connection", r.connection},
                            {"user", r.user},
                            {"action", r.action.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(r.action)},
                            {"result", r.result ? nlohmann::ordered_json(*r.result) : nlohmann::ordered_json()}});
    }
    // A path typed in another encoding than UTF-8 must not cost the document.
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace krcmd
