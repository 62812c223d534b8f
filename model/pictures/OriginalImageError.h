#pragma once

#include "model/errors/LocalizableError.h"
#include "platform/graphics/PictureRefusal.h"

namespace ambrel {

// Why a dropped, pasted or opened item did not become the document's picture.
class OriginalImageError : public LocalizableError {
public:
    enum class Case {
        containsNoValidImage,
        // More pixels, or more memory for them, than the system decodes or
        // draws; a page whose drawing has no bound.
        tooLarge,
        // The memory for the picture's pixels could not be had.
        cannotAllocateMemory,
        // The worker process that read or drew it crashed, was killed by its
        // limits or missed its deadline.
        cannotBeDrawn,
    };

    static const QString domain;
    // The codes scripts are answered with: containsNoValidImage is 0 (its
    // text alone); the others are numbers of their own, apart from the
    // system's error numbers that a file that cannot be read answers.
    static constexpr qint64 tooLargeScriptNumber = 413;
    static constexpr qint64 cannotAllocateMemoryScriptNumber = 507;
    static constexpr qint64 cannotBeDrawnScriptNumber = 502;

    static OriginalImageError containsNoValidImage(const QString& name);
    static OriginalImageError tooLarge(const QString& name);
    static OriginalImageError cannotAllocateMemory(const QString& name);
    static OriginalImageError cannotBeDrawn(const QString& name);
    // The error for the reason a decoder gave.
    static OriginalImageError refusal(platform::PictureRefusal why, const QString& name);

    Case errorCase() const { return m_case; }
    const QString& name() const { return m_name; }

    QString errorTypeIdentifier() const override { return sharedErrorTypeIdentifier(); }
    QString codeIdentifier() const override;
    QList<platform::FormatArgument> descriptionFormatArguments() const override { return {m_name}; }
    QList<platform::FormatArgument> recoverySuggestionFormatArguments() const override {
        return {m_name};
    }
    LocalizedStringTable table() const override { return sharedTable(); }

    // "OriginalImage" and this library's own table unless replaced, which
    // only tests do, before any error is described.
    static QString sharedErrorTypeIdentifier();
    static void setSharedErrorTypeIdentifier(const QString& identifier);
    static LocalizedStringTable sharedTable();
    static void setSharedTable(const LocalizedStringTable& table);

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

    bool operator==(const OriginalImageError& other) const {
        return m_case == other.m_case && m_name == other.m_name;
    }

private:
    OriginalImageError(Case c, QString name);

    Case m_case;
    QString m_name;
};

} // namespace ambrel
