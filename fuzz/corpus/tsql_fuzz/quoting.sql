SELECT N'it''s', [a"b], "c]" FROM dbo.t -- note
/* block */ WHERE x <> 1 AND y IS NOT NULL;