#include "dictzip.h"

#include <zlib.h>

#include <QList>

namespace Dictzip
{

namespace
{

// dictzip's own chunk size: a chunk deflated in the worst case still fits the 16 bits the
// header gives its size.
constexpr qsizetype chunkSize = 58315;

void little16(QByteArray& out, quint32 value)
{
    out += char(value & 0xff);
    out += char((value >> 8) & 0xff);
}

void little32(QByteArray& out, quint32 value)
{
    little16(out, value & 0xffff);
    little16(out, value >> 16);
}

// Deflates what the stream holds, up to the flush asked for, onto `out`.
void deflateAll(z_stream* stream, int flush, QByteArray& buffer, QByteArray& out)
{
    int status;
    do {
        stream->next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream->avail_out = uInt(buffer.size());
        status = deflate(stream, flush);
        out.append(buffer.constData(), buffer.size() - qsizetype(stream->avail_out));
    } while (stream->avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
}

} // namespace

Result<QByteArray> compress(QByteArrayView data, const QByteArray& name, quint32 modified)
{
    const qsizetype count = qMax<qsizetype>(1, (data.size() + chunkSize - 1) / chunkSize);
    if (10 + 2 * count > 0xffff)
        return Failure { .number = FailureNumber::Overflow,
            .description = QStringLiteral("%1 bytes are more than a dictzip file holds (%2)")
                               .arg(data.size())
                               .arg(chunkSize * ((0xffff - 10) / 2)) };
    z_stream stream {};
    // Raw deflate: the gzip wrapper is written here, with the chunk table in its extra field.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        qFatal("zlib cannot start a deflate stream");
    QByteArray body;
    QList<quint32> sizes;
    QByteArray buffer(int(deflateBound(&stream, chunkSize) + 64), '\0');
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArrayView chunk = data.sliced(i * chunkSize, qMin(chunkSize, data.size() - i * chunkSize));
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        stream.avail_in = uInt(chunk.size());
        // A full flush ends each chunk on a byte and forgets what came before it, so a reader
        // starts inflating at any chunk. Readers keep one inflate stream from chunk to chunk,
        // so no chunk may hold the stream's last block: that follows them, in no chunk.
        const qsizetype before = body.size();
        deflateAll(&stream, Z_FULL_FLUSH, buffer, body);
        sizes << quint32(body.size() - before);
    }
    stream.next_in = nullptr;
    stream.avail_in = 0;
    deflateAll(&stream, Z_FINISH, buffer, body);
    deflateEnd(&stream);

    QByteArray out;
    out += char(0x1f);
    out += char(0x8b);
    out += char(8); // deflate
    out += char(0x04 | 0x08); // an extra field and a name follow
    little32(out, modified);
    out += char(2); // best compression
    out += char(3); // Unix
    little16(out, quint32(10 + 2 * sizes.size()));
    out += "RA";
    little16(out, quint32(6 + 2 * sizes.size()));
    little16(out, 1); // version
    little16(out, quint32(chunkSize));
    little16(out, quint32(sizes.size()));
    for (const quint32 size : sizes)
        little16(out, size);
    out += name;
    out += '\0';
    out += body;
    little32(out, quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()))));
    little32(out, quint32(data.size()));
    return out;
}

} // namespace Dictzip
