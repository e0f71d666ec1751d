#pragma once

#include <memory>

#include "searchindex.h"

class ServerConnection;

// The search table `publish` keeps beside a published direction: the folded words of every
// entry, searched by the server's own full-text search and an index of headword beginnings.
class ServerSearchIndex final : public SearchIndex {
public:
    ~ServerSearchIndex() override;

    // The direction's search table, or a failure when the server has none or may not read it
    // (a dictionary published before it was kept, or a reader not given it).
    static Result<std::unique_ptr<ServerSearchIndex>> open(const QString& connectionString, bool frenchToEnglish);

    Result<Hits> search(const QString& text, int limit) const override;

private:
    ServerSearchIndex(std::unique_ptr<ServerConnection> server, QByteArray table);

    std::unique_ptr<ServerConnection> m_server;
    QByteArray m_table;
};
