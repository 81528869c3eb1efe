// The fault switches, read from the environment at the moment of use:
// statement trace, failing statement allocations, injected execution failures.
#include <gtest/gtest.h>

#include "emu_support.h"

using namespace emutest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string countTerminals(Connection& c) {
  const Outcome o = c.exec("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm");
  return o.rows.empty() ? "<no rows>" : o.rows[0][0];
}

}  // namespace

TEST(Faults, TraceRecordsEveryStatementByteForByte) {
  SuiteDatabase s;
  TempFolder dir;
  const std::string trace = dir.file("trace.txt");
  ScopedEnv env("HVEMU_TRACE", trace);
  const std::string statements[] = {
      "SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam = 'BDE6251'    AND 1 = 1",
      " INSERT INTO HvKantine.Hvs321Kan         (KanPor) VALUES (  'M\xE4rz') ",
      "SELECT 'broken",  // failed statements are recorded too
  };
  std::string expected;
  for (const std::string& sql : statements) {
    s.conn.exec(sql);
    expected += sql + "\n";
    EXPECT_EQ(expected, readFile(trace)) << "after: " << sql;  // on disk when the call returns
  }
  // SQLPrepare/SQLExecute are recorded at execution.
  Statement st(s.conn.dbc());
  const std::string prepared = "SELECT TrmSta FROM HvSystem.Hvs1140Trm";
  ASSERT_EQ(SQL_SUCCESS,
            SQLPrepare(st.handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(prepared.c_str())), SQL_NTS));
  EXPECT_EQ(expected, readFile(trace));
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(st.handle()));
  EXPECT_EQ(expected + prepared + "\n", readFile(trace));
}

TEST(Faults, FailStatementAllocation) {
  struct Case {
    const char* setting;
    std::vector<bool> fails;  // allocations 1..n
  };
  const Case cases[] = {
      {"2", {false, true, false, false}},
      {"3+", {false, false, true, true, true}},
      {"1,3", {true, false, true, false}},
      {"", {false, false, false}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("HVEMU_FAIL_STMT_ALLOC=") + k.setting);
    TestDatabase db;
    Connection c;
    ASSERT_EQ(SQL_SUCCESS, c.connect(db.dsn()));
    ScopedEnv env("HVEMU_FAIL_STMT_ALLOC", k.setting);
    for (size_t i = 0; i < k.fails.size(); ++i) {
      SCOPED_TRACE("allocation " + std::to_string(i + 1));
      Statement st(c.dbc());
      if (!k.fails[i]) {
        EXPECT_EQ(SQL_SUCCESS, st.allocResult());
        continue;
      }
      EXPECT_EQ(SQL_ERROR, st.allocResult());
      const auto d = diagnostics(SQL_HANDLE_DBC, c.dbc());
      ASSERT_EQ(1u, d.size());
      EXPECT_EQ("HY001", d[0].state);
    }
  }
}

TEST(Faults, AllocationCounterStartsAtConnect) {
  TestDatabase db;
  ScopedEnv env("HVEMU_FAIL_STMT_ALLOC", "1");
  for (int round = 0; round < 2; ++round) {
    Connection c;
    ASSERT_EQ(SQL_SUCCESS, c.connect(db.dsn()));
    Statement first(c.dbc());
    EXPECT_EQ(SQL_ERROR, first.allocResult()) << "round " << round;
    Statement second(c.dbc());
    EXPECT_EQ(SQL_SUCCESS, second.allocResult()) << "round " << round;
  }
}

TEST(Faults, InjectedExecutionFailures) {
  SuiteDatabase s;
  // Executions count from connect: the schema and demo scripts ran one per line.
  int done = 0;
  for (const char* script : {"sql/schema.sql", "sql/demo-data.sql"}) {
    const std::string text = readFile(sourcePath(script));
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) ++done;
  }
  auto nth = [&](int k) { return std::to_string(done + k); };
  ScopedEnv env("HVEMU_FAIL_EXEC", nth(1) + ":2627:23000," + nth(3) + ":nodiag," + nth(4) + ":0:HY000");
  const std::string insert =
      "INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('BDE7777', 1, 1)";

  const Outcome first = s.conn.exec(insert);
  EXPECT_EQ(SQL_ERROR, first.rc);
  ASSERT_EQ(1u, first.diags.size());
  EXPECT_EQ(2627, first.native());
  EXPECT_EQ("23000", first.state());
  EXPECT_EQ(kServerPrefix + "Injected failure", first.message());
  EXPECT_EQ("2", countTerminals(s.conn)) << "an injected failure must not run the statement";  // execution 2

  const Outcome third = s.conn.exec(insert);
  EXPECT_EQ(SQL_ERROR, third.rc);
  EXPECT_TRUE(third.diags.empty());

  const Outcome fourth = s.conn.exec(insert);
  EXPECT_EQ(SQL_ERROR, fourth.rc);
  ASSERT_EQ(1u, fourth.diags.size());
  EXPECT_EQ(0, fourth.native());
  EXPECT_EQ("HY000", fourth.state());

  EXPECT_EQ(SQL_SUCCESS, s.conn.exec(insert).rc);  // execution 5 runs
  EXPECT_EQ("3", countTerminals(s.conn));
}

TEST(Faults, SwitchesCanAlsoComeFromTheDsn) {
  TestDatabase db;
  TempFolder dir;
  const std::string trace = dir.file("dsn-trace.txt");
  // Append the switch attributes to this DSN's section (it is the last one).
  std::string out;
  const std::string attributes = "Trace = " + trace + "\\nFailExec = 1:50000:42000\\nFailAlloc = SQLPrepare:1\\n";
  ASSERT_EQ(0, runCommand("printf '" + attributes + "' >> '" + dsnFolder() + "/odbc.ini'", &out)) << out;
  Connection c;
  ASSERT_EQ(SQL_SUCCESS, c.connect(db.dsn()));
  const Outcome o = c.exec("CREATE SCHEMA X");
  EXPECT_EQ(50000, o.native());
  EXPECT_EQ("CREATE SCHEMA X\n", readFile(trace));
  Statement st(c.dbc());
  SQLCHAR* const prepared = reinterpret_cast<SQLCHAR*>(const_cast<char*>("CREATE SCHEMA Y"));
  EXPECT_EQ(SQL_ERROR, SQLPrepare(st.handle(), prepared, SQL_NTS));
  const auto d = diagnostics(SQL_HANDLE_STMT, st.handle());
  ASSERT_EQ(1u, d.size());
  EXPECT_EQ("HY001", d[0].state);
  // The environment wins over the DSN.
  ScopedEnv env("HVEMU_FAIL_EXEC", "");
  EXPECT_EQ(SQL_SUCCESS, c.exec("CREATE SCHEMA X").rc);
  ScopedEnv alloc("HVEMU_FAIL_ALLOC", "");
  EXPECT_EQ(SQL_SUCCESS, SQLPrepare(st.handle(), prepared, SQL_NTS));
}

TEST(Faults, InjectedFailuresAtPositionsCountedAmongStatementsOfAText) {
  const std::string statements[] = {
      "SELECT COUNT(*) FROM HvSystem.Hvs1140Trm",
      "INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('P1', 1, 1)",
      "select TrmNam FROM HvSystem.Hvs1140Trm",
      "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('P1', 1, 'x')",
      "INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('P2', 1, 1)",
      "SELECT ZlsKst FROM HvSystem.Hvs401Zls",
  };
  const struct {
    const char* setting;
    std::vector<bool> fails;  // statements 1..6
  } cases[] = {
      {"2@insert:547:23000", {false, false, false, true, false, false}},
      {"1+@Hvs1140Trm:547:23000", {true, true, true, false, true, false}},
      {"2+@SELECT:547:23000", {false, false, true, false, false, true}},
      {"3@SELECT:547:23000,1@Zls:547:23000", {false, false, false, true, false, true}},
      {"5:547:23000", {false, false, false, false, true, false}},
      {"1@:547:23000,0:547:23000,x@SELECT:547:23000", {false, false, false, false, false, false}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string("HVEMU_FAIL_EXEC=") + k.setting);
    SuiteDatabase s;
    ScopedEnv env("HVEMU_FAIL_EXEC", k.setting);
    Connection c;
    ASSERT_EQ(SQL_SUCCESS, c.connect(s.db.dsn()));
    for (std::size_t i = 0; i < k.fails.size(); ++i) {
      const Outcome o = c.exec(statements[i]);
      EXPECT_EQ(k.fails[i] ? SQL_ERROR : SQL_SUCCESS, o.rc) << "statement " << i + 1 << ": " << o.message();
      if (k.fails[i]) {
        EXPECT_EQ(547, o.native());
      }
    }
  }
}
