-- Кельто: the control journal on the laboratory's PostgreSQL server.
--
-- The program makes these tables itself on first connection when its user
-- may create tables in the database. When it may not, the administrator runs
-- this file once, as the owner of the database, for example:
--
--     psql -h server -U postgres -d journal -v ON_ERROR_STOP=1 -f journal-server.sql
--
-- and gives each technician's user the rights below (the role kelto_journal
-- is made here; GRANT kelto_journal TO ivanov; for each technician).
-- Schema version 1; a program that finds an older version upgrades it in one
-- transaction keeping every row, one that finds a newer version refuses to
-- write. The whole file is one transaction: nothing is half made.

BEGIN;

CREATE TABLE kelto_schema (
    version integer NOT NULL
);
INSERT INTO kelto_schema (version) VALUES (1);

-- One conclusion: its number is unique within its year across the laboratory.
CREATE TABLE conclusions (
    id           bigserial PRIMARY KEY,
    uid          uuid NOT NULL UNIQUE,
    year         integer NOT NULL,
    number       integer NOT NULL CHECK (number > 0),
    fields       jsonb NOT NULL DEFAULT '{}',
    created_at   timestamptz NOT NULL DEFAULT now(),
    created_os   text NOT NULL DEFAULT '',
    created_db   text NOT NULL DEFAULT current_user,
    UNIQUE (year, number)
);

-- The last number given out in each year; its row lock orders two
-- technicians saving at the same moment.
CREATE TABLE conclusion_counters (
    year integer PRIMARY KEY,
    last integer NOT NULL
);

-- One tested joint. revision counts the saves: a save names the revision it
-- started from and is refused when someone else saved in between.
CREATE TABLE entries (
    id           bigserial PRIMARY KEY,
    uid          uuid NOT NULL UNIQUE,
    revision     integer NOT NULL DEFAULT 1,
    fields       jsonb NOT NULL DEFAULT '{}',
    search       text NOT NULL DEFAULT '',
    test_date    date,
    conclusion   bigint REFERENCES conclusions (id),
    created_at   timestamptz NOT NULL DEFAULT now(),
    created_os   text NOT NULL DEFAULT '',
    created_db   text NOT NULL DEFAULT current_user,
    changed_at   timestamptz NOT NULL DEFAULT now(),
    changed_os   text NOT NULL DEFAULT '',
    changed_db   text NOT NULL DEFAULT current_user,
    deleted_at   timestamptz,
    deleted_os   text,
    deleted_db   text
);
CREATE INDEX entries_newest ON entries (test_date DESC, id DESC);
CREATE INDEX entries_changed ON entries (changed_at);

-- The next free number of a year, taken inside the saving transaction.
CREATE FUNCTION kelto_take_conclusion_number(for_year integer) RETURNS integer
LANGUAGE sql AS $$
    INSERT INTO conclusion_counters AS c (year, last)
    VALUES (for_year, COALESCE((SELECT max(number) FROM conclusions WHERE year = for_year), 0) + 1)
    ON CONFLICT (year) DO UPDATE
        SET last = GREATEST(c.last, (SELECT COALESCE(max(number), 0) FROM conclusions WHERE year = for_year)) + 1
    RETURNING last
$$;

-- Every change is announced, so open windows follow within moments.
CREATE FUNCTION kelto_journal_changed() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_notify('kelto_journal', TG_TABLE_NAME);
    RETURN NULL;
END
$$;
CREATE TRIGGER entries_changed AFTER INSERT OR UPDATE OR DELETE ON entries
    FOR EACH STATEMENT EXECUTE FUNCTION kelto_journal_changed();
CREATE TRIGGER conclusions_changed AFTER INSERT OR UPDATE OR DELETE ON conclusions
    FOR EACH STATEMENT EXECUTE FUNCTION kelto_journal_changed();

-- The technicians' rights: read and write entries and conclusions, never
-- remove a row (deleting marks it) nor change the schema.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kelto_journal') THEN
        CREATE ROLE kelto_journal NOLOGIN;
    END IF;
EXCEPTION WHEN insufficient_privilege THEN
    RAISE NOTICE 'role kelto_journal not made: grant the rights below to each technician';
END
$$;
DO $$
BEGIN
    GRANT SELECT, INSERT, UPDATE ON entries, conclusions, conclusion_counters TO kelto_journal;
    GRANT SELECT ON kelto_schema TO kelto_journal;
    GRANT USAGE ON SEQUENCE entries_id_seq, conclusions_id_seq TO kelto_journal;
EXCEPTION WHEN undefined_object THEN
    NULL;
END
$$;

COMMIT;
