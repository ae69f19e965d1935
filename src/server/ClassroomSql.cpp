#include "server/ClassroomSql.h"

namespace classroom {

// The rules of a classroom, kept by the server itself: whatever program or tool a candidate's
// login uses, it can do no more than what is granted here.
//
// Two group roles: veltaro_teacher (everything the program does) and veltaro_candidate; one login
// per candidate, named by the candidate number, a member of veltaro_candidate. Every table has
// row-level security, forced, so that its owner's own connections follow the policies too (the
// owner and the teachers have policies that let everything through).
//
// A candidate
//   - reads 试卷 and the question texts of 题库; the columns authority and jiexi (and the shared
//     practice answers) are not granted on 题库 itself. Through the view veltaro_seat.题库, which
//     comes first in the candidate's search path, they read the standard answer and explanation of
//     a paper not marked exam_only, or one whose answers the teacher released, and their own
//     practice answers (练习答案) in place of the shared column;
//   - writes 评分 rows only as themselves, only for a sitting they hold in 在考 and have not handed
//     in (交卷); reads only their own; never deletes one;
//   - holds, renews and frees only their own claims in 在考, and claims no sitting handed in;
//   - keeps their own practice history and review schedule (the column login of 练习记录 and
//     复习计划, filled with the login by default);
//   - reads the scoring rules of the papers (评分规则), never changes them;
//   - hands in and learns their total through veltaro_hand_in and veltaro_my_total, which run with
//     the owner's rights, a fixed search path, and take the caller from session_user. They mark as
//     the answer card does, with each paper's scoring rules.
//
// The functions that run with the owner's rights, and those the policies call, name their search
// path with pg_temp last: a temporary table of the caller's (the database grants no TEMP, but a
// server may) could otherwise stand in for one of the bank's tables.
//
// session_user is of the type name, whose collation is "C": compared as it stands with a citext
// column it kept every index of that column out of use (a hand-in read all the answers of the
// bank), so the login is compared in the columns' own collation.
//
// Every statement may run again on a database set up before: it changes nothing then.
const char* const kSetUp[] = {
    R"SQL(do $$ begin
  if not exists (select 1 from pg_roles where rolname = 'veltaro_teacher') then
    create role veltaro_teacher nologin;
  end if;
  if not exists (select 1 from pg_roles where rolname = 'veltaro_candidate') then
    create role veltaro_candidate nologin;
  end if;
end $$)SQL",
    R"SQL(do $$ begin
  execute format('revoke all on database %I from public', current_database());
  execute format('grant connect on database %I to veltaro_teacher, veltaro_candidate', current_database());
end $$)SQL",
    "revoke all on schema public from public",
    "grant usage on schema public to veltaro_teacher, veltaro_candidate",
    "create schema if not exists veltaro_seat",
    "revoke all on schema veltaro_seat from public",
    "grant usage on schema veltaro_seat to veltaro_candidate",

    // Papers for exams, and whether the teacher has released their answers.
    "alter table 试卷 add column if not exists exam_only integer not null default 0",
    "alter table 试卷 add column if not exists released integer not null default 0",
    // The candidate list: one row per login.
    "create table if not exists 考生 (student citext primary key, xingming citext)",
    // Sittings handed in: their answers are final.
    "create table if not exists 交卷 (code citext, student citext, state citext, handed bigint, "
    "primary key (code, student, state))",
    // Each login's practice answers (the shared 题库.practice stays the teachers').
    "create table if not exists 练习答案 (login text not null default session_user, code citext, "
    "tihao bigint, answer citext, primary key (login, code, tihao))",
    "alter table 练习记录 add column if not exists login text not null default session_user",
    "alter table 复习计划 add column if not exists login text not null default session_user",
    R"SQL(do $$ begin
  if not exists (select 1 from pg_index i join pg_class c on c.oid = i.indexrelid
                 join pg_attribute a on a.attrelid = i.indrelid and a.attnum = i.indkey[0]
                 where c.relname = '复习计划_key' and a.attname = 'login') then
    drop index if exists 复习计划_key;
    create unique index 复习计划_key on 复习计划 (login, code, tihao);
  end if;
end $$)SQL",
    "create index if not exists 练习记录_login on 练习记录 (login, code, tihao)",
    // A candidate's statements reach the rows through the policy's login alone (the conditions of
    // the statement itself wait until the policy has chosen the rows, since citext's comparison is
    // not leakproof): these indexes lead with the candidate, so that a save's check of the sitting
    // and a candidate's reads touch that candidate's rows only, however many the bank holds.
    "create index if not exists 评分_考生 on 评分 (student, code, state)",
    "create index if not exists 在考_考生 on 在考 (student, code, state)",
    "create index if not exists 交卷_考生 on 交卷 (student, code, state)",

    // Grants. The teachers: every row of every table, no change to the tables themselves.
    "revoke all on 试卷, 题库, 评分, 在考, 练习记录, 复习计划, 考生, 交卷, 练习答案, 评分规则 from public",
    "grant select, insert, update, delete on 试卷, 题库, 评分, 在考, 练习记录, 复习计划, 考生, 交卷, "
    "练习答案, 评分规则 to veltaro_teacher",
    "grant usage on all sequences in schema public to veltaro_teacher",
    "grant select on 试卷, 评分规则 to veltaro_candidate",
    "grant select (rowid, code, tihao, question, pic, score, tixing) on 题库 to veltaro_candidate",
    "grant select, insert (code, tihao, answer, student, xingming, state), update (answer, xingming) "
    "on 评分 to veltaro_candidate",
    "grant select, insert, update (owner, host, heartbeat), delete on 在考 to veltaro_candidate",
    "grant select, insert, update, delete on 练习记录, 复习计划, 练习答案 to veltaro_candidate",
    "grant select on 考生, 交卷 to veltaro_candidate",

    // Row-level security on every table, for the owner as well.
    R"SQL(do $$
declare t text;
begin
  foreach t in array array['试卷', '题库', '评分', '在考', '练习记录', '复习计划', '考生', '交卷', '练习答案', '评分规则'] loop
    execute format('alter table %I enable row level security', t);
    execute format('alter table %I force row level security', t);
    execute format('drop policy if exists 教师 on %I', t);
    execute format('create policy 教师 on %I to veltaro_teacher using (true) with check (true)', t);
    execute format('drop policy if exists 所有者 on %I', t);
    execute format('create policy 所有者 on %I to %I using (true) with check (true)', t, current_user);
  end loop;
end $$)SQL",
    "drop policy if exists 考生读 on 试卷",
    "create policy 考生读 on 试卷 for select to veltaro_candidate using (true)",
    "drop policy if exists 考生读 on 评分规则",
    "create policy 考生读 on 评分规则 for select to veltaro_candidate using (true)",
    "drop policy if exists 考生读 on 题库",
    "create policy 考生读 on 题库 for select to veltaro_candidate using (true)",

    // Whether the caller may answer in a sitting: they hold it and have not handed it in.
    R"SQL(create or replace function veltaro_may_answer(p_code citext, p_state citext) returns boolean
language sql stable security invoker set search_path = pg_catalog, public, pg_temp as $$
  select exists (select 1 from 在考 c where c.code = p_code and c.student = (session_user::citext collate "default")
                 and c.state = p_state)
     and not exists (select 1 from 交卷 h where h.code = p_code and h.student = (session_user::citext collate "default")
                     and h.state = p_state)
$$)SQL",
    "drop policy if exists 考生读 on 评分",
    "create policy 考生读 on 评分 for select to veltaro_candidate"
    " using (student = (session_user::citext collate \"default\"))",
    "drop policy if exists 考生答 on 评分",
    "create policy 考生答 on 评分 for insert to veltaro_candidate "
    "with check (student = (session_user::citext collate \"default\") and veltaro_may_answer(code, state))",
    "drop policy if exists 考生改 on 评分",
    "create policy 考生改 on 评分 for update to veltaro_candidate "
    "using (student = (session_user::citext collate \"default\") and veltaro_may_answer(code, state)) "
    "with check (student = (session_user::citext collate \"default\") and veltaro_may_answer(code, state))",
    // A candidate's name in 评分 is the one of the candidate list.
    R"SQL(create or replace function veltaro_candidate_name() returns trigger
language plpgsql security invoker set search_path = pg_catalog, public, pg_temp as $$
begin
  if pg_has_role(session_user, 'veltaro_candidate', 'member')
     and not pg_has_role(session_user, 'veltaro_teacher', 'member') then
    new.xingming := coalesce((select xingming from 考生 where student = (session_user::citext collate "default")), new.xingming);
  end if;
  return new;
end $$)SQL",
    "drop trigger if exists 考生姓名 on 评分",
    "create trigger 考生姓名 before insert or update on 评分 for each row "
    "execute function veltaro_candidate_name()",

    "drop policy if exists 考生 on 在考",
    "create policy 考生 on 在考 to veltaro_candidate using (student = (session_user::citext collate \"default\")) "
    "with check (student = (session_user::citext collate \"default\") and not exists (select 1 from 交卷 h where "
    "h.code = 在考.code and h.student = 在考.student and h.state = 在考.state))",
    "drop policy if exists 考生 on 练习记录",
    "create policy 考生 on 练习记录 to veltaro_candidate using (login = session_user) "
    "with check (login = session_user)",
    "drop policy if exists 考生 on 复习计划",
    "create policy 考生 on 复习计划 to veltaro_candidate using (login = session_user) "
    "with check (login = session_user)",
    "drop policy if exists 考生 on 练习答案",
    "create policy 考生 on 练习答案 to veltaro_candidate using (login = session_user) "
    "with check (login = session_user)",
    "drop policy if exists 考生 on 考生",
    "create policy 考生 on 考生 for select to veltaro_candidate"
    " using (student = (session_user::citext collate \"default\"))",
    "drop policy if exists 考生 on 交卷",
    "create policy 考生 on 交卷 for select to veltaro_candidate"
    " using (student = (session_user::citext collate \"default\"))",

    // The questions as a candidate reads them.
    R"SQL(create or replace view veltaro_seat.题库 with (security_barrier) as
  select q.rowid, q.code, q.tihao, q.question, q.pic,
         case when h.hidden then null else q.authority end as authority,
         coalesce(a.answer, ''::citext) as practice,
         case when h.hidden then null else q.jiexi end as jiexi,
         q.score, q.tixing
  from public.题库 q
  cross join lateral (select exists (select 1 from public.试卷 p where p.code = q.code
                                     and p.exam_only <> 0 and p.released = 0) as hidden) h
  left join public.练习答案 a on a.login = session_user and a.code = q.code and a.tihao = q.tihao)SQL",
    R"SQL(create or replace function veltaro_seat.save_practice() returns trigger
language plpgsql security invoker set search_path = pg_catalog, public, pg_temp as $$
begin
  if new.rowid is distinct from old.rowid or new.code is distinct from old.code
     or new.tihao is distinct from old.tihao or new.question is distinct from old.question
     or new.pic is distinct from old.pic or new.authority is distinct from old.authority
     or new.jiexi is distinct from old.jiexi or new.score is distinct from old.score
     or new.tixing is distinct from old.tixing then
    raise insufficient_privilege using message = '考生不能修改题目';
  end if;
  insert into 练习答案 (login, code, tihao, answer) values (session_user, old.code, old.tihao, new.practice)
    on conflict (login, code, tihao) do update set answer = excluded.answer;
  return new;
end $$)SQL",
    "drop trigger if exists 练习答案 on veltaro_seat.题库",
    "create trigger 练习答案 instead of update on veltaro_seat.题库 for each row "
    "execute function veltaro_seat.save_practice()",
    "revoke all on veltaro_seat.题库 from public",
    "grant select, update (practice) on veltaro_seat.题库 to veltaro_candidate",

    // The marking helpers below are immutable, use only built-in functions and are called by
    // veltaro_total, whose fixed search path they run under; called directly they have no more
    // rights than their caller. A search path of their own would be set and reset at every call,
    // which made a sitting's total four times slower.
    //
    // The marking rule of the answer card, over GBK bytes: byte-equal, or of the same length with
    // every byte of the standard answer found at a character start of the given one (ASCII
    // letters without regard to case).
    R"SQL(create or replace function veltaro_matches(p_given text, p_standard text) returns boolean
language plpgsql immutable as $$
declare g bytea; s bytea; k int; i int; b int; c int; found boolean; len int;
begin
  p_given := coalesce(p_given, ''); p_standard := coalesce(p_standard, '');
  if p_given = p_standard collate "C" then return true; end if;
  begin
    g := convert_to(p_given, 'GBK'); s := convert_to(p_standard, 'GBK');
  exception when others then
    g := convert_to(p_given, 'UTF8'); s := convert_to(p_standard, 'UTF8');
  end;
  len := length(g);
  if len <> length(s) then return false; end if;
  for k in 0 .. length(s) - 1 loop
    b := get_byte(s, k);
    if b between 97 and 122 then b := b - 32; end if;
    found := false; i := 0;
    while i < len loop
      c := get_byte(g, i);
      if c between 97 and 122 then c := c - 32; end if;
      if c = b then found := true; exit; end if;
      i := i + case when get_byte(g, i) >= 128 and i + 1 < len then 2 else 1 end;
    end loop;
    if not found then return false; end if;
  end loop;
  return true;
end $$)SQL",
    // An answer text as the marking compares options: ASCII letters in upper case, without blanks
    // (half- and full-width).
    R"SQL(create or replace function veltaro_normalise(p text) returns text
language sql immutable as $$
  select replace(replace(translate(coalesce(p, ''), 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ'),
                         ' ', ''), chr(12288), '')
$$)SQL",
    // The characters of a text once each, in their order.
    R"SQL(create or replace function veltaro_distinct(p text) returns text
language plpgsql immutable as $$
declare out text := ''; c text;
begin
  foreach c in array regexp_split_to_array(coalesce(p, ''), '') loop
    if strpos(out, c) = 0 then out := out || c; end if;
  end loop;
  return out;
end $$)SQL",
    // The type a question is marked as: 1 单选, 2 多选, 3 判断, 4 不定项, 0 none. Its stored type,
    // else the one its standard answer implies.
    R"SQL(create or replace function veltaro_type(p_tixing text, p_standard text) returns int
language sql immutable as $$
  select case btrim(coalesce(p_tixing, ''), E' \t\n\r\f\v' || chr(160) || chr(12288))
           when '单选' then 1 when '多选' then 2 when '判断' then 3 when '不定项' then 4
           else case when n in ('对', '错') then 3
                     when n ~ '^[A-G]$' then 1 when n ~ '^[A-G]+$' then 2 else 0 end end
  from (select public.veltaro_normalise(p_standard) collate "C" as n) x
$$)SQL",
    // A sitting's total as the answer card adds it: each answer beside the first question of its
    // paper and number, marked by the rule of the paper for its type (评分规则; a type without a
    // row is 全对得分), the types added apart and a floored type's sum taken as 0 when below.
    R"SQL(create or replace function veltaro_total(p_code citext, p_student citext, p_state citext)
returns double precision language plpgsql stable security definer set search_path = pg_catalog, public, pg_temp as $$
declare
  r_rule int[] := array[0, 0, 0, 0];  -- 0 全对得分, 1 少选得分, 2 答错扣分
  r_amount double precision[] := array[0.5, 0.5, 0.5, 0.5];
  r_prop boolean[] := array[false, false, false, false];
  r_floor boolean[] := array[false, false, false, false];
  sums double precision[] := array[0, 0, 0, 0, 0];  -- by type + 1
  rr record; a record; t int; k int; pts double precision; g text; s text; total double precision := 0;
begin
  if to_regclass('public.评分规则') is not null then
    for rr in select r.tixing::text as tixing, btrim(r.guize::text) as guize, r.fenzhi, r.anbili, r.baodi
              from 评分规则 r where r.code = p_code loop
      t := case btrim(rr.tixing) when '单选' then 1 when '多选' then 2 when '判断' then 3
                                 when '不定项' then 4 else 0 end;
      continue when t = 0 or rr.guize not in ('全对得分', '少选得分', '答错扣分');
      -- A rule that does not fit the type marks it as 全对得分.
      r_rule[t] := case when rr.guize = '少选得分' and t in (2, 4) then 1
                        when rr.guize = '答错扣分' and t in (1, 3) then 2 else 0 end;
      if rr.fenzhi is not null then r_amount[t] := greatest(0, rr.fenzhi::double precision); end if;
      r_prop[t] := coalesce(rr.anbili, 0) <> 0;
      r_floor[t] := coalesce(rr.baodi, 0) <> 0;
    end loop;
  end if;
  for a in select coalesce(x.answer::text, '') as given, coalesce(q.authority::text, '') as standard,
                  coalesce(q.score, 0)::double precision as score, q.tixing::text as tixing
           from 评分 x
           left join (select distinct on (u.tihao) u.tihao, u.authority, u.score, u.tixing from 题库 u
                      where u.code = p_code order by u.tihao, u.rowid) q on q.tihao = coalesce(x.tihao, 0)
           where x.code = p_code and x.student = p_student and x.state = p_state loop
    t := veltaro_type(a.tixing, a.standard);
    pts := 0;
    if veltaro_matches(a.given, a.standard) then
      pts := a.score;
    elsif a.given ~ ('^[\s' || chr(160) || chr(12288) || ']*$') then
      pts := 0;
    elsif t > 0 and r_rule[t] = 1 then
      g := veltaro_distinct(veltaro_normalise(a.given));
      s := veltaro_distinct(veltaro_normalise(a.standard));
      k := length(g);
      if k > 0 and k < length(s)
         and not exists (select 1 from regexp_split_to_table(g, '') c where strpos(s, c) = 0) then
        pts := case when r_prop[t] then a.score * k / length(s) else least(a.score, r_amount[t] * k) end;
      end if;
    elsif t > 0 and r_rule[t] = 2 then
      pts := -r_amount[t];
    end if;
    sums[t + 1] := sums[t + 1] + pts;
  end loop;
  total := sums[1];
  for t in 1 .. 4 loop
    total := total + case when r_floor[t] then greatest(0, sums[t + 1]) else sums[t + 1] end;
  end loop;
  return total;
end $$)SQL",
    R"SQL(create or replace function veltaro_hand_in(p_code text, p_state text) returns double precision
language plpgsql security definer set search_path = pg_catalog, public, pg_temp as $$
begin
  insert into 交卷 (code, student, state, handed)
    values (p_code, session_user, p_state, extract(epoch from clock_timestamp())::bigint)
    on conflict do nothing;
  delete from 在考 where code = p_code::citext and student = (session_user::citext collate "default") and state = p_state::citext;
  return veltaro_total(p_code::citext, (session_user::citext collate "default"), p_state::citext);
end $$)SQL",
    R"SQL(create or replace function veltaro_my_total(p_code text, p_state text) returns double precision
language plpgsql stable security definer set search_path = pg_catalog, public, pg_temp as $$
begin
  if not exists (select 1 from 交卷 where code = p_code::citext and student = (session_user::citext collate "default")
                 and state = p_state::citext) then
    raise exception using errcode = 'insufficient_privilege', message = '这一场考试还没有交卷，不能查看总分';
  end if;
  return veltaro_total(p_code::citext, (session_user::citext collate "default"), p_state::citext);
end $$)SQL",
    // Who the caller is to this bank: 'teacher', 'candidate' or 'owner', and the name on the list.
    R"SQL(create or replace function veltaro_whoami(out kind text, out xingming text)
language sql stable security definer set search_path = pg_catalog, public, pg_temp as $$
  select case when pg_has_role(session_user, 'veltaro_teacher', 'member') then 'teacher'
              when pg_has_role(session_user, 'veltaro_candidate', 'member') then 'candidate'
              else 'owner' end,
         (select k.xingming::text from 考生 k where k.student = (session_user::citext collate "default"))
$$)SQL",
    "revoke all on function veltaro_total(citext, citext, citext) from public",
    "grant execute on function veltaro_total(citext, citext, citext) to veltaro_teacher",
    "revoke all on function veltaro_hand_in(text, text), veltaro_my_total(text, text), "
    "veltaro_whoami() from public",
    "grant execute on function veltaro_hand_in(text, text), veltaro_my_total(text, text), "
    "veltaro_whoami() to veltaro_candidate, veltaro_teacher",
    "grant execute on function veltaro_may_answer(citext, citext), veltaro_candidate_name(), "
    "veltaro_matches(text, text), veltaro_normalise(text), veltaro_distinct(text), veltaro_type(text, text) "
    "to veltaro_candidate, veltaro_teacher",
    "grant execute on function veltaro_seat.save_practice() to veltaro_candidate",
};

QStringList setUpStatements() {
    QStringList out;
    for (const char* s : kSetUp)
        out << QString::fromUtf8(s);
    return out;
}

} // namespace classroom
