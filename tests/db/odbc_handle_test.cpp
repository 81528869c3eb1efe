// OdbcHandle: one owner per handle, moved not copied, freed exactly once.
#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "db/odbc_handle.h"

namespace {

static_assert(!std::is_copy_constructible_v<OdbcHandle>, "an ODBC handle has one owner");
static_assert(!std::is_copy_assignable_v<OdbcHandle>, "an ODBC handle has one owner");

SQLRETURN setVersion(const OdbcHandle& env) {
  return SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                       SQL_IS_INTEGER);
}

TEST(OdbcHandle, AllocatesAndFrees) {
  OdbcHandle env(SQL_HANDLE_ENV);
  EXPECT_FALSE(env);
  ASSERT_EQ(env.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
  ASSERT_TRUE(env);
  EXPECT_EQ(env.type(), SQL_HANDLE_ENV);
  EXPECT_EQ(setVersion(env), SQL_SUCCESS);
  OdbcHandle dbc(SQL_HANDLE_DBC);
  ASSERT_EQ(dbc.allocate(env.get()), SQL_SUCCESS);
  dbc.reset();
  EXPECT_FALSE(dbc);
  env.reset();
  EXPECT_FALSE(env);
  env.reset();  // a second reset is harmless
}

TEST(OdbcHandle, MovingHandsOverOwnership) {
  OdbcHandle env(SQL_HANDLE_ENV);
  ASSERT_EQ(env.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
  const SQLHANDLE raw = env.get();
  OdbcHandle moved(std::move(env));
  EXPECT_FALSE(env);  // NOLINT: the moved-from owner is empty by contract
  EXPECT_EQ(moved.get(), raw);
  EXPECT_EQ(setVersion(moved), SQL_SUCCESS);

  OdbcHandle target(SQL_HANDLE_ENV);
  ASSERT_EQ(target.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
  target = std::move(moved);  // the target's own handle is freed first
  EXPECT_EQ(target.get(), raw);
  EXPECT_FALSE(moved);  // NOLINT
}

TEST(OdbcHandle, AllocatingAgainReplacesTheHandle) {
  OdbcHandle env(SQL_HANDLE_ENV);
  ASSERT_EQ(env.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
  ASSERT_EQ(env.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
  EXPECT_TRUE(env);
  EXPECT_EQ(setVersion(env), SQL_SUCCESS);
}

TEST(OdbcHandle, StatementWithoutConnectionIsNotAllocated) {
  OdbcHandle env(SQL_HANDLE_ENV);
  ASSERT_EQ(env.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
  setVersion(env);
  OdbcHandle dbc(SQL_HANDLE_DBC);
  ASSERT_EQ(dbc.allocate(env.get()), SQL_SUCCESS);
  OdbcHandle stmt(SQL_HANDLE_STMT);
  EXPECT_EQ(stmt.allocate(dbc.get()), SQL_ERROR);  // not connected
  EXPECT_FALSE(stmt);
}

}  // namespace
