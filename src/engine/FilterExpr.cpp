#include "FilterExpr.h"

#include "EngineError.h"

namespace engine {

using base::EngineError;

struct FilterExpr::Node {
    enum Kind { And, Or, Compare } kind = Compare;
    std::shared_ptr<const Node> left, right;
    int field = -1;
    bool notEqual = false;
    bool prefix = false;
    QString constant;
};

namespace {

class Parser {
public:
    Parser(const QString& text, QStringList& fields) : s_(text), fields_(fields) {}

    std::shared_ptr<const FilterExpr::Node> parseAll() {
        auto node = parseOr();
        skipBlanks();
        if (pos_ < s_.size()) fail(QStringLiteral("лишний текст"));
        return node;
    }

private:
    using NodePtr = std::shared_ptr<const FilterExpr::Node>;

    [[noreturn]] void fail(const QString& why) const {
        throw EngineError(QStringLiteral("Неверный фильтр \"%1\": %2 (позиция %3)").arg(s_, why).arg(pos_ + 1));
    }
    void skipBlanks() {
        while (pos_ < s_.size() && s_[pos_].isSpace()) ++pos_;
    }
    bool keyword(const char* word) {
        skipBlanks();
        const QString w = QString::fromLatin1(word);
        if (s_.mid(pos_, w.size()).compare(w, Qt::CaseInsensitive) != 0) return false;
        const qsizetype after = pos_ + w.size();
        if (after < s_.size() && (s_[after].isLetterOrNumber() || s_[after] == QLatin1Char('_'))) return false;
        pos_ = after;
        return true;
    }
    NodePtr parseOr() {
        NodePtr left = parseAnd();
        while (keyword("OR")) {
            auto n = std::make_shared<FilterExpr::Node>();
            n->kind = FilterExpr::Node::Or;
            n->left = left;
            n->right = parseAnd();
            left = n;
        }
        return left;
    }
    NodePtr parseAnd() {
        NodePtr left = parseTerm();
        while (keyword("AND")) {
            auto n = std::make_shared<FilterExpr::Node>();
            n->kind = FilterExpr::Node::And;
            n->left = left;
            n->right = parseTerm();
            left = n;
        }
        return left;
    }
    NodePtr parseTerm() {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == QLatin1Char('(')) {
            if (++depth_ > 64) fail(QStringLiteral("слишком глубокие скобки"));
            ++pos_;
            NodePtr inner = parseOr();
            skipBlanks();
            if (pos_ >= s_.size() || s_[pos_] != QLatin1Char(')')) fail(QStringLiteral("нет закрывающей скобки"));
            ++pos_;
            --depth_;
            return inner;
        }
        auto n = std::make_shared<FilterExpr::Node>();
        const QString name = parseField();
        int index = -1;
        for (qsizetype i = 0; i < fields_.size(); ++i)
            if (fields_[i].compare(name, Qt::CaseInsensitive) == 0) index = static_cast<int>(i);
        if (index < 0) {
            fields_.append(name);
            index = static_cast<int>(fields_.size()) - 1;
        }
        n->field = index;
        skipBlanks();
        if (s_.mid(pos_, 2) == QLatin1String("<>")) {
            n->notEqual = true;
            pos_ += 2;
        } else if (pos_ < s_.size() && s_[pos_] == QLatin1Char('=')) {
            ++pos_;
        } else {
            fail(QStringLiteral("ожидается = или <>"));
        }
        n->constant = parseConstant();
        if (n->constant.endsWith(QLatin1Char('*'))) {
            n->prefix = true;
            n->constant.chop(1);
        }
        return n;
    }
    QString parseField() {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == QLatin1Char('[')) {
            const qsizetype close = s_.indexOf(QLatin1Char(']'), pos_ + 1);
            if (close < 0) fail(QStringLiteral("нет закрывающей скобки ]"));
            QString name = s_.mid(pos_ + 1, close - pos_ - 1).trimmed();
            if (name.isEmpty()) fail(QStringLiteral("пустое имя поля"));
            pos_ = close + 1;
            return name;
        }
        const qsizetype start = pos_;
        while (pos_ < s_.size() && (s_[pos_].isLetterOrNumber() || s_[pos_] == QLatin1Char('_'))) ++pos_;
        if (pos_ == start) fail(QStringLiteral("ожидается имя поля"));
        return s_.mid(start, pos_ - start);
    }
    QString parseConstant() {
        skipBlanks();
        if (pos_ >= s_.size() || (s_[pos_] != QLatin1Char('\'') && s_[pos_] != QLatin1Char('"')))
            fail(QStringLiteral("ожидается текст в кавычках"));
        const QChar quote = s_[pos_++];
        QString value;
        for (;;) {
            if (pos_ >= s_.size()) fail(QStringLiteral("нет закрывающей кавычки"));
            if (s_[pos_] == quote) {
                if (pos_ + 1 < s_.size() && s_[pos_ + 1] == quote) {
                    value += quote;
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return value;
            }
            value += s_[pos_++];
        }
    }

    const QString& s_;
    QStringList& fields_;
    qsizetype pos_ = 0;
    int depth_ = 0;
};

bool evaluate(const FilterExpr::Node& n, const std::function<QString(int)>& valueOf) {
    switch (n.kind) {
        case FilterExpr::Node::And: return evaluate(*n.left, valueOf) && evaluate(*n.right, valueOf);
        case FilterExpr::Node::Or: return evaluate(*n.left, valueOf) || evaluate(*n.right, valueOf);
        case FilterExpr::Node::Compare: break;
    }
    const QString v = valueOf(n.field);
    const bool equal = n.prefix ? v.startsWith(n.constant, Qt::CaseSensitive)
                                : v.compare(n.constant, Qt::CaseSensitive) == 0;
    return equal != n.notEqual;
}

}  // namespace

FilterExpr FilterExpr::parse(const QString& text) {
    FilterExpr f;
    if (text.trimmed().isEmpty()) return f;
    Parser p(text, f.fields_);
    f.root_ = p.parseAll();
    return f;
}

QStringList FilterExpr::fieldNames() const { return fields_; }

bool FilterExpr::matches(const std::function<QString(int)>& valueOf) const {
    return root_ == nullptr || evaluate(*root_, valueOf);
}

}  // namespace engine
