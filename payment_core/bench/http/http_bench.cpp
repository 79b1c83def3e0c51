// Form POSTs on loopback, the core's client against libcurl's easy interface, both against the
// same small server in this process: a new connection for each request, then one kept
// connection. Prints requests per second (median of the runs) and the ratios.
//     http_bench [requests] [runs]

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "payment_core/bench/http/loopback_server.h"
#include "payment_core/web_form_client.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* kFields[][2] = {{"x_login", "merchant01"}, {"x_tran_key", "0123456789abcdef"}, {"x_type", "AUTH_CAPTURE"},
                            {"x_amount", "12.34"},     {"x_card_num", "4111111111111111"}, {"x_exp_date", "1230"},
                            {"x_first_name", "Ada"},   {"x_last_name", "Lovelace"},        {"x_address", "12 Main St"}};

double oursRate(int port, int requests, bool keepAlive) {
    payment_core::WebFormClient client;
    client.setTimeoutMs(10000);
    client.KeepAlive = keepAlive;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/gw/transact";
    client.setUrl(url.c_str(), false);
    client.setPostContentType(payment_core::kFormUrlEncoded);
    const auto start = Clock::now();
    for (int i = 0; i < requests; ++i) {
        client.clearFormVariables(0);
        for (const auto& field : kFields) {
            client.formNames.add(field[0]);
            client.formValues.add(field[1]);
        }
        const int result = client.postFormVariables(1);
        if (result != 0 || client.TransferredData.length() != 21) {
            std::fprintf(stderr, "ours: request %d failed with %d: %s\n", i, result, client.lastError.data());
            std::exit(1);
        }
    }
    return requests / std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

double curlRate(int port, int requests, bool keepAlive) {
    CURL* curl = curl_easy_init();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/gw/transact";
    std::string answer;
    curl_slist* headers = nullptr;
    if (!keepAlive) headers = curl_slist_append(headers, "Connection: close");
    const auto start = Clock::now();
    for (int i = 0; i < requests; ++i) {
        std::string body;
        for (const auto& field : kFields) {
            char* name = curl_easy_escape(curl, field[0], 0);
            char* value = curl_easy_escape(curl, field[1], 0);
            body += (body.empty() ? "" : "&") + std::string(name) + "=" + value;
            curl_free(name);
            curl_free(value);
        }
        answer.clear();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
        curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, keepAlive ? 0L : 1L);
        const CURLcode rc = curl_easy_perform(curl);
        if (rc != CURLE_OK || answer.size() != 21) {
            std::fprintf(stderr, "libcurl: request %d failed: %s\n", i, curl_easy_strerror(rc));
            std::exit(1);
        }
    }
    const double rate = requests / std::chrono::duration<double>(Clock::now() - start).count();
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return rate;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    namespace fs = std::filesystem;
    std::string state = (fs::temp_directory_path() / "http-bench-XXXXXX").string();
    if (!mkdtemp(state.data())) return 2;
    setenv("PLATFORM_STATE_DIR", state.c_str(), 1);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    bench::LoopbackServer server;

    std::printf("%d form POSTs per run, median of %d runs, requests/s\n", requests, runs);
    std::printf("%-22s %10s %10s %8s\n", "connection", "ours", "libcurl", "ratio");
    for (const bool keepAlive : {false, true}) {
        std::vector<double> ours;
        std::vector<double> curl;
        // Turn about, so that neither side always runs on the machine the other one left.
        for (int run = 0; run < runs; ++run) {
            if (run % 2) curl.push_back(curlRate(server.port(), requests, keepAlive));
            ours.push_back(oursRate(server.port(), requests, keepAlive));
            if (run % 2 == 0) curl.push_back(curlRate(server.port(), requests, keepAlive));
        }
        const double a = median(ours);
        const double b = median(curl);
        std::printf("%-22s %10.0f %10.0f %8.2f\n", keepAlive ? "kept" : "new for each request", a, b, a / b);
    }
    curl_global_cleanup();
    std::error_code ec;
    fs::remove_all(state, ec);
    return 0;
}
