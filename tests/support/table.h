// A data table's columns declared on one line, and a row fetched on one line:
//   Columns<int, QString>({"scheme", "film"});        in x_data()
//   const auto [scheme, film] = Fetch<int, QString>({"scheme", "film"});   in x()
// A table of a single column is given whole, a row a line:
//   Column<bool>("blocked", {
//       {"writes", false},
//       {"fails", true},
//   });
// The types and names read as a table's head; a name or type that does not
// match the head fails the test as QFETCH does.
#pragma once
#include <QTest>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <tuple>
#include <type_traits>
#include <utility>

namespace kelto::testing {

template <class... T> using ColumnNames = std::array<const char*, sizeof...(T)>;

namespace detail {

template <class... T, std::size_t... I> void AddColumns(const ColumnNames<T...>& names, std::index_sequence<I...>)
{
    (QTest::addColumn<T>(names[I]), ...);
}

template <class T> T FetchOne(const char* name)
{
    return *static_cast<T*>(QTest::qData(name, ::qMetaTypeId<std::remove_cv_t<T>>()));
}

template <class... T, std::size_t... I>
std::tuple<T...> FetchAll(const ColumnNames<T...>& names, std::index_sequence<I...>)
{
    return std::tuple<T...>(FetchOne<T>(names[I])...);
}

} // namespace detail

// The columns of the current data function, in order.
template <class... T> void Columns(const ColumnNames<T...>& names)
{
    detail::AddColumns<T...>(names, std::index_sequence_for<T...>{});
}

// A table of the one column `name`: each row's name and value.
template <class T> void Column(const char* name, std::initializer_list<std::pair<const char*, T>> rows)
{
    QTest::addColumn<T>(name);
    for (const auto& [row, value] : rows)
        QTest::newRow(row) << value;
}

// The current row's values of the named columns, for a structured binding.
template <class... T> std::tuple<T...> Fetch(const ColumnNames<T...>& names)
{
    return detail::FetchAll<T...>(names, std::index_sequence_for<T...>{});
}

} // namespace kelto::testing
