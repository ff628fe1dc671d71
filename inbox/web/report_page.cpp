#include "inbox/web/report_page.h"

#include <algorithm>
#include <string>

#include "inbox/stats/utc_time.h"
#include "inbox/web/html_text.h"

namespace inbox {
namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse;font-size:13px}"
    "td,th{border:1px solid #ccc;padding:3px 6px;text-align:left;vertical-align:top}"
    "td.record{font-family:monospace;max-width:40em;word-break:break-all}"
    "form label{margin-right:1em}.problem{color:#b00}"
    "svg rect{fill:#4a78b5}svg text{font-size:10px;fill:#333}";

constexpr int kBarWidth = 36;
constexpr int kChartHeight = 120;
constexpr int kLabelSpace = 30;

std::string Input(const char* name, const char* label, const std::string& value) {
    return std::string("<label>") + label + " <input name=\"" + name + "\" value=\"" +
           HtmlText(value) + "\"></label>";
}

std::string FilterForm(const PageContent& content) {
    std::string form = "<form id=\"filters\" method=\"get\" action=\"/\">";
    form += "<input type=\"hidden\" name=\"token\" value=\"" + HtmlText(content.token) + "\">";
    form += Input("since", "Since (UTC)", content.filters.since);
    form += Input("machine", "Machine", content.filters.machine);
    form += Input("serial", "Serial (EM2)", content.filters.serial);
    form += Input("version", "Product version", content.filters.version);
    form += "<button type=\"submit\">Filter</button></form>";
    if (!content.problem.empty()) {
        form += "<p class=\"problem\" id=\"problem\">" + HtmlText(content.problem) + "</p>";
    }
    return form;
}

std::string Chart(const ReportStats& stats) {
    std::size_t most = 1;
    for (const auto& [day, count] : stats.perDay) most = std::max(most, count);
    const int width = std::max<int>(1, static_cast<int>(stats.perDay.size())) * kBarWidth;
    std::string svg = "<svg id=\"chart\" role=\"img\" aria-label=\"Reports per day\" width=\"" +
                      std::to_string(width) + "\" height=\"" +
                      std::to_string(kChartHeight + kLabelSpace) + "\">";
    int x = 0;
    for (const auto& [day, count] : stats.perDay) {
        const auto height = static_cast<int>(count * static_cast<std::size_t>(kChartHeight) / most);
        svg += "<g class=\"day\" data-day=\"" + HtmlText(day) + "\" data-count=\"" +
               std::to_string(count) + "\"><title>" + HtmlText(day) + ": " +
               std::to_string(count) + "</title><rect x=\"" + std::to_string(x + 4) + "\" y=\"" +
               std::to_string(kChartHeight - height) + "\" width=\"" +
               std::to_string(kBarWidth - 8) + "\" height=\"" + std::to_string(height) +
               "\"></rect><text x=\"" + std::to_string(x + 2) + "\" y=\"" +
               std::to_string(kChartHeight + 12) + "\">" + HtmlText(day.substr(5)) +
               "</text><text x=\"" + std::to_string(x + 2) + "\" y=\"" +
               std::to_string(kChartHeight + 24) + "\">" + std::to_string(count) + "</text></g>";
        x += kBarWidth;
    }
    return svg + "</svg>";
}

std::string Cell(const std::string& text, const char* cls = nullptr) {
    std::string cell = cls == nullptr ? "<td>" : std::string("<td class=\"") + cls + "\">";
    return cell + HtmlText(text) + "</td>";
}

std::string Table(const std::vector<StoredReport>& shown) {
    std::string table =
        "<table id=\"reports\"><thead><tr><th>Received (UTC)</th><th>Client</th>"
        "<th>Activity</th><th>Machine</th><th>Serial (EM2)</th><th>Product version</th>"
        "<th>System version</th><th>Record</th></tr></thead><tbody>";
    for (const StoredReport& stored : shown) {
        const Report& r = stored.arrival.report;
        table += "<tr class=\"report\" data-id=\"" + std::to_string(stored.id) + "\">" +
                 Cell(FormatUtc(stored.arrival.receivedMs)) + Cell(stored.arrival.clientAddress) +
                 Cell(r.activity) + Cell(r.machineId, "machine") + Cell(r.serial, "serial") +
                 Cell(r.productVersion) + Cell(r.systemVersion) + Cell(r.record, "record") +
                 "</tr>";
    }
    return table + "</tbody></table>";
}

}  // namespace

std::string RenderReportPage(const PageContent& content) {
    std::string page =
        "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<title>Packgate inbox: install reports</title><style>";
    page += kStyle;
    page += "</style></head><body><h1>Install reports</h1>";
    page += FilterForm(content);
    page += "<p id=\"summary\">" + std::to_string(content.stats.reports) +
            " matching reports, the newest " + std::to_string(content.shown.size()) +
            " shown. Machines that entered the pane: " +
            std::to_string(content.stats.machinesEntered) + "; went on past Continue: " +
            std::to_string(content.stats.machinesContinued) + ".</p>";
    page += "<p id=\"counters\">" + HtmlText(content.counters) + "</p>";
    page += "<h2>Reports per day</h2>" + Chart(content.stats);
    page += "<h2>Reports</h2>" + Table(content.shown);
    return page + "</body></html>";
}

}  // namespace inbox
