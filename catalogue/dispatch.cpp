#include "dispatch.h"

#include "platform/vb.h"

#include <QObject>
#include <new>

namespace catalogue {

namespace {

QString sourceOf(const Entry& entry) {
    return entry.title.isEmpty() ? QStringLiteral("Catalogue") : entry.title;
}

std::optional<pix::PixError> runTrapped(const Entry& entry, const std::function<void()>& step) {
    try {
        step();
        return std::nullopt;
    } catch (const pix::PixError& e) {
        return e;
    } catch (const vb::OverflowError&) {
        return pix::PixError(vb::OverflowError::kNumber, QStringLiteral("Overflow"),
                             sourceOf(entry));
    } catch (const std::bad_alloc&) {
        return pix::PixError(pix::kErrTooLarge, QStringLiteral("Out of memory"), sourceOf(entry));
    } catch (const std::exception& e) {
        return pix::PixError(pix::kErrInvalidArgument, QString::fromLocal8Bit(e.what()),
                             sourceOf(entry));
    }
}

} // namespace

RunResult runEntry(const Catalogue& table, int index, pix::PixImage& image, ParameterSource& source,
                   const RunContext* context) {
    const Entry* entry = table.find(index);
    if (!entry) return {};
    return runFound(*entry, image, source, context);
}

RunResult runFound(const Entry& entry, pix::PixImage& image, ParameterSource& source,
                   const RunContext* context) {
    RunResult result;
    result.entry = &entry;
    if (entry.precondition) {
        const Values probe(entry, image, context);
        if (std::optional<QString> why = entry.precondition(image, probe.context())) {
            result.outcome = Outcome::Refused;
            result.refusal = *why;
            return result;
        }
    }
    if (entry.input == Input::Line) {
        result.outcome = Outcome::AwaitsLine;
        return result;
    }

    std::optional<Values> values;
    bool cancelled = false;
    result.error = runTrapped(entry, [&] {
        values.emplace(entry, image, context);
        cancelled = !source.fill(entry, *values);
    });
    if (result.error) {
        result.outcome = Outcome::Failed;
        return result;
    }
    if (cancelled) {
        result.outcome = Outcome::Cancelled;
        return result;
    }

    const QMetaObject::Connection watch =
        QObject::connect(&image, &pix::PixImage::changed, [&] { result.workingChanged = true; });
    std::optional<Refusal> refused;
    result.error = runTrapped(entry, [&] {
        try {
            entry.call(image, *values);
        } catch (const Refusal& r) {
            refused = r;
        }
    });
    QObject::disconnect(watch);
    if (refused) {
        result.outcome = Outcome::Refused;
        result.refusal = refused->message;
        result.beep = refused->beep;
        return result;
    }
    // A cancel the user asked for is no failure.
    if (result.error && result.error->number() == pix::kErrCancelled) {
        result.error.reset();
        result.outcome = Outcome::Cancelled;
        return result;
    }
    result.outcome = result.error ? Outcome::Failed : Outcome::Applied;
    return result;
}

std::optional<LinkedEdit> linkedEdit(const AspectLink& link, int editedRow,
                                     const QString& editedText, QSize documentSize) {
    if (documentSize.isEmpty()) return std::nullopt;
    const double edited = vb::leadingNumber(editedText);
    double other = 0;
    LinkedEdit change;
    if (editedRow == link.heightRow) {
        other = edited * documentSize.width() / documentSize.height();
        change.row = link.widthRow;
    } else if (editedRow == link.widthRow) {
        other = edited * documentSize.height() / documentSize.width();
        change.row = link.heightRow;
    } else {
        return std::nullopt;
    }
    try {
        change.text = QString::number(vb::toInt32(other));
    } catch (const vb::OverflowError&) {
        return std::nullopt; // a number too large to follow: the other side stays as it is
    }
    return change;
}

} // namespace catalogue
