#include "UpdateCheck.h"

#include "common/Numbers.h"

#include <QDir>
#include <QTemporaryFile>
#include <curl/curl.h>

#include <memory>

namespace kvintor {

QString versionFileUrl(const QString& server) {
    QString url = server.trimmed();
    if (!url.endsWith(QLatin1Char('/'))) url += QLatin1Char('/');
    return url + QStringLiteral("Versiy.txt");
}

namespace {

bool curlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// Where the transfer writes: the temporary file, up to the cap.
struct Sink {
    QTemporaryFile* file;
    qint64 written = 0;
    bool overflow = false;
    bool writeFailed = false;
};

size_t writeToSink(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const qint64 bytes = static_cast<qint64>(size * count);
    if (sink->written + bytes > kMaxVersionFileBytes) {
        sink->overflow = true;
        return 0; // ends the transfer
    }
    if (sink->file->write(data, bytes) != bytes) {
        sink->writeFailed = true;
        return 0;
    }
    sink->written += bytes;
    return size * count;
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};

} // namespace

FetchResult fetchVersionFile(const UpdateSource& source, const std::function<bool()>& keepGoing) {
    FetchResult result;
    // A name of its own in the user's temporary folder, created afresh and
    // readable only by its owner; removed when this function returns.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/Kvintor-Versiy-XXXXXX.txt"));
    if (!file.open()) {
        result.state = FetchState::LocalFailure;
        result.detail = file.errorString();
        return result;
    }
    if (!curlReady()) {
        result.state = FetchState::LocalFailure;
        result.detail = QStringLiteral("libcurl could not start");
        return result;
    }
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi) {
        result.state = FetchState::LocalFailure;
        result.detail = QStringLiteral("libcurl could not start");
        return result;
    }

    Sink sink{&file};
    char error[CURL_ERROR_SIZE] = {};
    const QByteArray url = versionFileUrl(source.server).toUtf8();
    const QByteArray user = source.user.toUtf8();
    const QByteArray password = source.password.toUtf8();
    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    // Only FTP: the address is a setting, and nothing else is meant by it.
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
#else
    curl_easy_setopt(c, CURLOPT_PROTOCOLS, long(CURLPROTO_FTP | CURLPROTO_FTPS));
#endif
    if (!source.user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &writeToSink);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(source.connectTimeoutS));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, long(source.timeoutS));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE, long(kMaxVersionFileBytes));
    curl_multi_add_handle(multi.get(), c);

    // The transfer runs in steps; between them the window's events run, and
    // the wait for the network is at most a twentieth of a second.
    int running = 1;
    bool cancelled = false;
    while (running > 0) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
        if (running == 0) break;
        if (keepGoing && !keepGoing()) {
            cancelled = true;
            break;
        }
        curl_multi_poll(multi.get(), nullptr, 0, 50, nullptr);
    }

    CURLcode code = CURLE_RECV_ERROR;
    int pending = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &pending))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == c) code = msg->data.result;
    curl_multi_remove_handle(multi.get(), c);

    if (cancelled) {
        result.state = FetchState::Cancelled;
        return result;
    }
    if (sink.overflow || code == CURLE_FILESIZE_EXCEEDED) {
        result.state = FetchState::Completed;
        result.oversized = true;
    } else if (code != CURLE_OK || sink.writeFailed) {
        result.state = sink.writeFailed ? FetchState::LocalFailure : FetchState::Failed;
        result.detail = QString::fromLocal8Bit(error[0] ? error : curl_easy_strerror(code));
        return result;
    } else {
        result.state = FetchState::Completed;
    }
    file.flush();
    file.seek(0);
    result.text = QString::fromUtf8(file.readAll());
    file.close();
    return result;
}


Verdict judgeVersionText(const QString& text, int majorVersion) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() > 2) return Verdict::NotAVersion;
    return majorVersion < common::leadingNumber(trimmed) ? Verdict::Newer : Verdict::NotNewer;
}

} // namespace kvintor
